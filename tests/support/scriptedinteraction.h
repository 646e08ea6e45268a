#pragma once

#include <deque>

#include <QString>
#include <QStringList>

#include "common/interaction.h"
#include "common/shell.h"

// Ports answered by the test: every message is recorded in order, questions
// take queued answers (Yes when none is queued), dialogs return queued
// choices (cancel when none).
class ScriptedInteraction : public transcast::Interaction
{
public:
    QStringList warnings, informations, errors, questions;
    // The answer Enter would have given each question, in order.
    std::deque<DefaultAnswer> defaultAnswers;
    std::deque<bool> answers;
    std::deque<QStringList> fileChoices;
    std::deque<QString> folderChoices;
    QStringList fileFilters, folderCaptions;

    void warn(const QString& text) override { warnings << text; }
    void inform(const QString& text) override { informations << text; }
    void error(const QString& text) override { errors << text; }
    bool confirm(const QString& text, QuestionKind, DefaultAnswer defaultAnswer) override
    {
        questions << text;
        defaultAnswers.push_back(defaultAnswer);
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList chooseFiles(const QString& filter, bool) override
    {
        fileFilters << filter;
        if (fileChoices.empty())
            return {};
        QStringList files = fileChoices.front();
        fileChoices.pop_front();
        return files;
    }
    QString chooseFolder(const QString& caption) override
    {
        folderCaptions << caption;
        if (folderChoices.empty())
            return {};
        QString folder = folderChoices.front();
        folderChoices.pop_front();
        return folder;
    }
};

// Records what would have been opened or shut down; never does it.
class RecordingShell : public transcast::Shell
{
public:
    QStringList openedFolders, openedUrls;
    int shutdowns = 0;

    void openFolder(const QString& path) override { openedFolders << path; }
    bool openUrl(const QString& url) override
    {
        openedUrls << url;
        return true;
    }
    void shutDown() override { ++shutdowns; }
};
