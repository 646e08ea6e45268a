#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QString>

struct mpv_handle;
struct mpv_event;

namespace transcast
{

class StreamProtocol;

// One libmpv instance whose events are read on the main thread: libmpv's
// threads only post a wake-up, and the handler sees every event in order.
// The handler may stop the instance; no event is handed out after that.
class MpvInstance : public QObject
{
    Q_OBJECT
public:
    using Options = std::vector<std::pair<QString, QString>>;
    using EventHandler = std::function<void(mpv_event& event)>;

    explicit MpvInstance(EventHandler handler, QObject* parent = nullptr);
    ~MpvInstance() override;

    // Creates and initialises the instance with the options (mpv's names
    // and texts) and the stream protocols, replacing a running one. False,
    // with errorString(), when libmpv cannot start. Every instance opens
    // only the sources it is handed: no playlists, references, network or
    // side files, no user configuration or scripts, whatever the options;
    // a video stored turned (a phone's portrait video) is shown upright.
    bool start(const Options& options, const std::vector<StreamProtocol*>& protocols);
    // Destroys the instance; waits for libmpv's threads to end. Standard
    // descriptors that libmpv closed meanwhile are open again afterwards.
    void stop();

    bool isRunning() const { return m_mpv != nullptr; }
    mpv_handle* handle() const { return m_mpv.get(); }
    QString errorString() const { return m_error; }

    // How `source` is opened: why it may not be ("it is ..."), empty when it
    // may, and the options of its "loadfile" that keep libmpv to what was
    // checked. An instance opens absolute paths of local files and addresses
    // of its own protocols only, and a file only as itself: its format is
    // told from its first bytes, a format that opens what the file names (a
    // playlist, a manifest) is refused, and any other is the one libmpv
    // must read it as.
    struct Opening {
        QString refusal;
        QByteArray loadOptions; // "key=value,..."
    };
    static Opening openingOf(const QString& source, const std::vector<StreamProtocol*>& protocols);
    // Why a source could not be played ("it ..."), for a libmpv error.
    static QString reasonFor(int error);

    // A command given as texts; libmpv's status (negative: error).
    int command(std::initializer_list<const char*> arguments);
    // The same without waiting for it to be carried out.
    void commandAsync(std::initializer_list<const char*> arguments);

private:
    struct Deleter {
        void operator()(mpv_handle* handle) const;
    };
    static void wakeUp(void* context);
    void drain();
    // Makes the picture of the file being opened reach every renderer
    // upright and with its shown size, whatever turn its track asks for.
    void turnPicturesUpright();

    EventHandler m_handler;
    std::unique_ptr<mpv_handle, Deleter> m_mpv;
    QString m_error;
};

} // namespace transcast
