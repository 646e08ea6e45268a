#pragma once

#include <cstdio>

#include <QString>

namespace transcast
{

// Standard output and error as the CLI writes them: UTF-8 whatever the
// locale (profile names hold "×"), flushed line by line so that a reader on
// a pipe sees each row as it ends. On a terminal, one status line can be
// rewritten in place; plain lines first clear it.
class Console
{
public:
    Console();

    // Whether standard output is a terminal, and its width in characters.
    bool isTerminal() const { return m_terminal; }
    int width() const;

    void out(const QString& line);
    void err(const QString& line);
    // Replaces the status line (terminal only).
    void status(const QString& line);
    void clearStatus();

private:
    void write(FILE* stream, const QString& text);

    bool m_terminal = false;
    bool m_statusShown = false;
};

} // namespace transcast
