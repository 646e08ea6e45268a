#include "cli/convertcommand.h"

#include <QEventLoop>
#include <QTimer>

#include "cli/clioptions.h"
#include "cli/clisession.h"
#include "cli/console.h"
#include "cli/progressline.h"
#include "common/interruptwatcher.h"
#include "common/textutil.h"
#include "control/controller.h"
#include "control/jobstatustext.h"
#include "engine/progressscan.h"

namespace transcast
{

namespace
{

bool isFinal(JobStatus status)
{
    return status == JobStatus::Finished || status == JobStatus::Failed ||
           status == JobStatus::Stopped;
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .join(QStringLiteral(" | "));
}

} // namespace

ConvertCommand::ConvertCommand(CliSession& session, const CliOptions& options,
                               InterruptWatcher& interrupts)
    : m_session(session), m_options(options), m_interrupts(interrupts)
{
}

int ConvertCommand::run()
{
    Controller& controller = m_session.controller();
    Console& console = m_session.console();
    connect(&m_interrupts, &InterruptWatcher::interrupted, this, &ConvertCommand::interrupt);
    if (controller.edition().isDvdMode())
        return runTitles();

    const QVector<CliSession::Listed> listed = m_session.list(m_options.sources);
    for (const CliSession::Listed& entry : listed) {
        if (entry.skipped()) {
            // The encoder's reason usually begins with the path already.
            const QString reason = entry.reason.startsWith(entry.path)
                                       ? entry.reason
                                       : entry.path + QStringLiteral(": ") + entry.reason;
            console.err(QStringLiteral("transcast-cli: skipped ") + reason);
        }
    }
    // Sources that could not even be looked at have been reported already.
    const int skipped = CliSession::skippedCount(listed) + controller.sources().problemCount();
    if (controller.sources().encoderUnavailable())
        return CliOptions::kFailed;
    if (controller.jobs().rowCount() == 0) {
        console.err(QStringLiteral("transcast-cli: nothing to convert"));
        return CliOptions::kFailed;
    }
    QString error;
    if (!m_session.chooseFileTracks(error)) {
        console.err(QStringLiteral("transcast-cli: ") + error);
        return CliOptions::kBadUsage;
    }
    return m_options.dryRun ? dryRun(skipped) : convert(skipped);
}

int ConvertCommand::runTitles()
{
    Controller& controller = m_session.controller();
    Console& console = m_session.console();
    if (const int status = m_session.listDvd(m_options.sources))
        return status;
    QString error;
    if (!m_session.chooseDvdRows(error)) {
        console.err(QStringLiteral("transcast-cli: ") + error);
        return CliOptions::kBadUsage;
    }
    const JobList& jobs = controller.jobs();
    bool anyTicked = false;
    for (int row = 0; row < jobs.rowCount(); ++row)
        anyTicked = anyTicked || jobs.row(row).checked;
    if (!anyTicked) {
        console.err(QStringLiteral("transcast-cli: nothing to convert"));
        return CliOptions::kFailed;
    }
    return m_options.dryRun ? dryRun(0) : convert(0);
}

int ConvertCommand::dryRun(int skipped)
{
    Controller& controller = m_session.controller();
    const bool titles = controller.edition().isDvdMode();
    int failed = 0;
    for (int row = 0; row < controller.jobs().rowCount(); ++row) {
        if (titles && !controller.jobs().row(row).checked)
            continue;
        try {
            const JobBuilder& builder = controller.jobBuilder();
            const ConversionJob job =
                titles ? builder.titleJob(row, false) : builder.fileJob(row, false);
            // The tracks chosen reach the encoder through its environment,
            // written as a shell would take it.
            const QString tracks = job.trackEnvironment.join(QLatin1Char(' '));
            m_session.console().out((tracks.isEmpty() ? QString() : tracks + QLatin1Char(' ')) +
                                    job.commandLine());
        } catch (const InvalidInteger& bad) {
            m_session.console().err(QStringLiteral("transcast-cli: %1: %2")
                                        .arg(controller.jobs().caption(row), bad.message()));
            ++failed;
        }
    }
    return skipped + failed > 0 ? CliOptions::kFailed : CliOptions::kSuccess;
}

int ConvertCommand::convert(int skipped)
{
    Controller& controller = m_session.controller();
    Console& console = m_session.console();
    console.out(m_session.choicesLine());
    console.out(
        QStringLiteral("output folder %1").arg(controller.jobBuilder().outputFolder(false)));

    const JobList& jobs = controller.jobs();
    const Batch& batch = controller.batch();
    connect(&jobs, &JobList::rowChanged, this, &ConvertCommand::rowChanged);
    connect(&batch, &Batch::jobStarted, this, &ConvertCommand::rowStarted);
    // The elapsed time moves on between the encoders' reports.
    QTimer clock;
    clock.setInterval(1000);
    connect(&clock, &QTimer::timeout, this, &ConvertCommand::showProgress);
    // A log gets no line rewritten in place: a line of its own at least
    // every 10 s of wall time tells that a long job still moves (or not).
    QTimer logged;
    logged.setInterval(kLogIntervalMs);
    connect(&logged, &QTimer::timeout, this, [this, &controller] {
        if (controller.batch().isConverting())
            m_session.console().out(statusLine(controller, kLogLineWidth));
    });
    QEventLoop loop;
    bool stopped = false;
    bool ended = false;
    connect(&batch, &Batch::batchEnded, &loop, [&](bool wasStopped) {
        stopped = wasStopped;
        ended = true;
        loop.quit();
    });

    controller.convert();
    if (!controller.batch().isConverting() && !ended)
        return CliOptions::kFailed; // refused; the core said why
    if (!ended) {
        if (console.isTerminal())
            clock.start();
        else
            logged.start();
        loop.exec();
    }
    clock.stop();
    logged.stop();
    console.clearStatus();
    for (const int row : std::as_const(m_stopped))
        printEnded(row);

    const auto rowsWith = [&jobs](JobStatus status) {
        int count = 0;
        for (int row = 0; row < jobs.rowCount(); ++row)
            count += jobs.row(row).status == status ? 1 : 0;
        return count;
    };
    const BatchProgress& progress = batch.progress();
    console.out(progress.summary());
    if (!progress.failedNames().isEmpty())
        console.out(QStringLiteral("failed: ") + progress.failedNames().join(QStringLiteral(", ")));
    const int finished = rowsWith(JobStatus::Finished);
    const int failed = rowsWith(JobStatus::Failed);
    QString summary = QStringLiteral("%1 finished, %2 failed").arg(finished).arg(failed);
    if (skipped > 0)
        summary += QStringLiteral(", %1 skipped").arg(skipped);
    if (stopped) {
        const int stoppedRows = rowsWith(JobStatus::Stopped);
        summary += QStringLiteral(", %1 stopped, %2 not started")
                       .arg(stoppedRows)
                       .arg(jobs.rowCount() - finished - failed - stoppedRows);
    }
    console.out(summary);

    if (m_interruptedBy != 0)
        return 128 + m_interruptedBy;
    return failed + skipped > 0 || stopped ? CliOptions::kFailed : CliOptions::kSuccess;
}

QString ConvertCommand::rowLabel(int row) const
{
    return QStringLiteral("[%1/%2] %3")
        .arg(row + 1)
        .arg(m_session.controller().jobs().rowCount())
        .arg(m_session.controller().jobs().caption(row));
}

void ConvertCommand::rowStarted(int row)
{
    Console& console = m_session.console();
    if (console.isTerminal()) {
        showProgress();
        return;
    }
    console.out(rowLabel(row) + QStringLiteral(": converting"));
    console.out(m_session.controller().batch().progress().line());
}

void ConvertCommand::rowChanged(int row)
{
    Controller& controller = m_session.controller();
    const JobRow& record = controller.jobs().row(row);
    if (record.status == JobStatus::Converting) {
        showProgress();
        return;
    }
    if (!isFinal(record.status) || m_ended.contains(row))
        return;
    m_ended.insert(row);
    // A stopped row is told once its encoder has ended: what became of its
    // file may be said only then.
    if (record.status == JobStatus::Stopped) {
        m_stopped.append(row);
        return;
    }
    printEnded(row);
}

void ConvertCommand::printEnded(int row)
{
    const JobRow& record = m_session.controller().jobs().row(row);
    QString line = rowLabel(row) + QStringLiteral(": ") + jobStatusText(record);
    const bool failed = record.status == JobStatus::Failed;
    // A stop the encoder did not answer has a reason too.
    if ((failed || record.status == JobStatus::Stopped) && !record.failureReason.isEmpty())
        line += QStringLiteral(": ") + oneLine(record.failureReason);
    m_session.console().out(line);
    if (!failed) {
        for (const QString& note : record.notes)
            m_session.console().out(QStringLiteral("    ") + oneLine(note));
    }
}

void ConvertCommand::showProgress()
{
    Console& console = m_session.console();
    Controller& controller = m_session.controller();
    if (!console.isTerminal() || !controller.batch().isConverting())
        return;
    console.status(statusLine(controller, console.width() - 1));
}

QString ConvertCommand::statusLine(Controller& controller, int width)
{
    // The batch's line, then the running row's own, or each running row's
    // percentage when several convert side by side. A narrow terminal keeps
    // the row's line, as it always showed.
    const JobList& jobs = controller.jobs();
    const QVector<int> rows = controller.batch().runningRows();
    const QString batch = controller.batch().progress().line();
    const QString gap = QStringLiteral("  ");
    const int room = width - static_cast<int>(batch.size() + gap.size());
    if (rows.size() == 1) {
        const int row = rows.first();
        if (room < kRoomForARow)
            return ProgressLine::format(row, jobs.rowCount(), jobs.caption(row),
                                        jobs.row(row).progress, width);
        return batch + gap +
               ProgressLine::format(row, jobs.rowCount(), jobs.caption(row), jobs.row(row).progress,
                                    room);
    }
    QStringList parts;
    for (const int row : rows) {
        parts << QStringLiteral("[%1/%2] %3")
                     .arg(row + 1)
                     .arg(jobs.rowCount())
                     .arg(QString::fromLatin1(percentText(jobs.row(row).progress)));
    }
    const QString line = parts.isEmpty() ? batch : batch + gap + parts.join(QLatin1Char(' '));
    return line.left(qMax(width, 0));
}

void ConvertCommand::interrupt(int signalNumber)
{
    // A second signal while the stopped job closes its file (a logout sends
    // SIGTERM and SIGHUP together) must not cut that short.
    if (m_interruptedBy != 0)
        return;
    Controller& controller = m_session.controller();
    if (!controller.batch().isConverting())
        InterruptWatcher::dieOf(signalNumber);
    m_interruptedBy = signalNumber;
    m_session.console().clearStatus();
    m_session.console().err(QStringLiteral("transcast-cli: %1: stopping the running job")
                                .arg(InterruptWatcher::signalName(signalNumber)));
    controller.stopConversion();
}

} // namespace transcast
