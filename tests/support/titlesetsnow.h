#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <QEventLoop>
#include <QString>
#include <QTimer>

#include "dvd/discdescriptions.h"
#include "sources/encodertitlesets.h"

namespace transcast::testdiscs
{

// The title sets the window reads (sources/EncoderTitleSets over the given
// register.dat), asked for one at a time: each read runs the event loop until
// its answer came (at most two minutes), so that a case reads like the
// sequence of answers the window gets.
class TitleSetsNow
{
public:
    explicit TitleSetsNow(const std::string& encoder, std::chrono::milliseconds patience =
                                                          dvd::DiscDescriptions::kDefaultPatience)
        : m_source(QString::fromStdString(encoder), patience)
    {
    }

    // The title set of an IFO file; null when it cannot be read.
    std::shared_ptr<const dvd::TitleSet> read(const std::string& ifoPath)
    {
        std::optional<dvd::TitleSetSource::Answer> answer;
        QEventLoop loop;
        m_source.request(ifoPath, [&](const dvd::TitleSetSource::Answer& given) {
            answer = given;
            loop.quit();
        });
        if (!answer) {
            QTimer::singleShot(120000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        m_problem = answer ? answer->readerProblem : "no answer in time";
        return answer ? answer->titleSet : nullptr;
    }
    // The last read's reader problem (TitleSetSource::Answer).
    std::string readerProblem() const { return m_problem; }

private:
    EncoderTitleSets m_source;
    std::string m_problem;
};

} // namespace transcast::testdiscs
