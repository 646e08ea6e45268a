#pragma once

#include "common/interaction.h"

namespace transcast
{

class Console;

// The core's questions and messages on a command line: messages go to
// standard error, questions are answered Yes (the command line already
// said what to do), and no dialog is ever shown.
class CliInteraction : public Interaction
{
public:
    explicit CliInteraction(Console& console) : m_console(console) {}

    void warn(const QString& text) override;
    void inform(const QString& text) override;
    void error(const QString& text) override;
    bool confirm(const QString& text, QuestionKind kind, DefaultAnswer defaultAnswer) override;
    QStringList chooseFiles(const QString& filter, bool showHidden) override;
    QString chooseFolder(const QString& caption) override;

private:
    Console& m_console;
};

} // namespace transcast
