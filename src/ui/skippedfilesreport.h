#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

namespace transcast
{

class Interaction;
class SourceList;

// The window's word on files an add could not list (unreadable, not a
// video, gone): one information box when the add has ended, naming each file
// left out with its reason, however many there were.
class SkippedFilesReport : public QObject
{
    Q_OBJECT
public:
    SkippedFilesReport(SourceList& sources, Interaction& interaction, QObject* parent = nullptr);

    // The box names at most this many files and counts the rest.
    static constexpr int kMaxNamed = 15;

private:
    void addEnded();

    Interaction& m_interaction;
    QList<QPair<QString, QString>> m_skipped; // path, reason
};

} // namespace transcast
