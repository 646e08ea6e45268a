#include "ui/previewbinding.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QWidget>

#include "common/edition.h"
#include "sources/joblist.h"
#include "ui/previewscreen.h"
#include "ui/skin/skin.h"

namespace transcast
{

namespace
{
const QString kPlayTime = QStringLiteral("play_time");
const QString kPlayBar = QStringLiteral("play_bar");
} // namespace

PreviewBinding::PreviewBinding(QWidget* window, QWidget* panel, QWidget* textBox, Skin& skin,
                               const Edition& edition, BusyState& busy, JobList& jobs,
                               Interaction& interaction)
    : QObject(window), m_window(window), m_panel(panel), m_textBox(textBox), m_skin(skin),
      m_edition(edition), m_jobs(jobs), m_controller(edition, busy, jobs, interaction, *this),
      m_grabber(edition.dataFile(QStringLiteral("transcast-still")))
{
    placeScreen(PreviewScreen::create(m_panel));
    // The window may grow: the screen follows the panel's size.
    m_panel->installEventFilter(this);

    connect(&m_skin, &Skin::pressed, this, [this](const QString& name) {
        if (name == kPlayBar)
            m_controller.barPressed();
    });
    connect(&m_skin, &Skin::released, this, [this](const QString& name) {
        if (name == kPlayBar)
            m_controller.barReleased();
    });
    connect(&m_controller, &PreviewController::playingChanged, this, [this](bool playing) {
        if (playing) {
            m_grabber.cancel();
            hideStill();
        } else {
            refreshStill();
        }
    });
    connect(&m_jobs, &JobList::selectionChanged, this, &PreviewBinding::refreshStill);
    connect(&m_jobs, &JobList::rowsReset, this, &PreviewBinding::refreshStill);
    connect(&m_jobs, &JobList::rowRemoved, this, &PreviewBinding::refreshStill);
    connect(&m_grabber, &StillPictureProcess::grabbed, this, &PreviewBinding::showStill);
    connect(&m_grabber, &StillPictureProcess::failed, this, [this](const QString& source) {
        if (source == m_grabber.pending() || m_grabber.pending().isEmpty())
            hideStill();
    });
    qApp->installEventFilter(this);
}

PreviewBinding::~PreviewBinding()
{
    qApp->removeEventFilter(this);
}

void PreviewBinding::placeScreen(PreviewScreen* screen)
{
    m_screen = screen;
    QWidget* widget = screen->widget();
    // A press on the picture is a press on the panel.
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->setGeometry(m_panel->rect());
    widget->show();
}

VideoSurface* PreviewBinding::videoSurface()
{
    // OpenGL that could not be had after all: the software screen takes
    // over for good, with the still picture.
    if (!m_screen->canDraw()) {
        const QImage still = m_screen->still();
        delete m_screen;
        placeScreen(PreviewScreen::createSoftware(m_panel));
        m_screen->showStill(still);
    }
    return m_screen;
}

void PreviewBinding::showPanel()
{
    m_panel->show();
}

void PreviewBinding::showTime(const QString& text)
{
    m_skin.setText(kPlayTime, text);
}

void PreviewBinding::showBar(int position)
{
    m_skin.setBarPosition(kPlayBar, position);
}

int PreviewBinding::barPosition() const
{
    return m_skin.barPosition(kPlayBar);
}

QString PreviewBinding::stillSourceFor(int row) const
{
    if (row < 0 || !m_sourceOf)
        return {};
    return m_sourceOf(row);
}

void PreviewBinding::setSourceOf(std::function<QString(int)> sourceOf)
{
    m_sourceOf = std::move(sourceOf);
    m_controller.setLocatorSource(m_sourceOf);
}

void PreviewBinding::refreshStill()
{
    if (m_controller.isPlaying())
        return;
    const QString source = stillSourceFor(m_jobs.firstSelected());
    if (source.isEmpty()) {
        m_grabber.cancel();
        hideStill();
        return;
    }
    if (source == m_stillSource && !m_screen->still().isNull())
        return;
    if (source != m_grabber.pending())
        m_grabber.grab(source);
}

void PreviewBinding::showStill(const QString& source, const PreviewFrame& frame)
{
    if (m_controller.isPlaying() || source != stillSourceFor(m_jobs.firstSelected()))
        return;
    m_stillSource = source;
    m_screen->showStill(QImage(reinterpret_cast<const uchar*>(frame.pixels.constData()),
                               frame.width, frame.height, frame.stride,
                               QImage::Format_ARGB32_Premultiplied)
                            .copy());
}

void PreviewBinding::hideStill()
{
    m_screen->clearStill();
    m_stillSource.clear();
}

bool PreviewBinding::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel && event->type() == QEvent::Resize)
        m_screen->widget()->setGeometry(m_panel->rect());
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->key() != Qt::Key_Space || key->isAutoRepeat() ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || !widget ||
        widget->window() != m_window || widget == m_textBox ||
        (m_spaceOwner && (widget == m_spaceOwner || m_spaceOwner->isAncestorOf(widget))))
        return false;
    m_controller.playOrPause();
    return true;
}

} // namespace transcast
