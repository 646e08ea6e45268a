#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include "preview/framegrabber.h"
#include "preview/previewcontroller.h"
#include "preview/previewview.h"

class QLabel;
class QWidget;

namespace transcast
{

class Edition;
class Interaction;
class JobList;
class Skin;
struct ControllerState;

// The preview's face in the main window: the panel pl_play as the player's
// native window, the skin objects "play_time" and "play_bar", the bar's
// press and release, the still picture of the selected row while nothing
// plays, and the Space key of media players.
class PreviewBinding : public QObject, public PreviewView
{
    Q_OBJECT
public:
    // `window`: the main window, whose keyboard input Space is taken from;
    // `textBox`: the one widget where Space stays a character (ed_output).
    PreviewBinding(QWidget* window, QWidget* panel, QWidget* textBox, Skin& skin,
                   const Edition& edition, ControllerState& state, JobList& jobs,
                   Interaction& interaction);
    ~PreviewBinding() override;

    PreviewController& controller() { return m_controller; }
    FrameGrabber& grabber() { return m_grabber; }
    // The still picture over the panel; hidden while a preview plays or no
    // row is selected.
    QLabel* stillPicture() const { return m_still; }
    // The source whose picture the still shows, empty when none.
    const QString& stillSource() const { return m_stillSource; }

    // The selection changed: show the first frame of the selected row.
    void refreshStill();
    // A widget (and its children) where Space keeps its own meaning, as the
    // DVD list's tick.
    void leaveSpaceTo(QWidget* widget) { m_spaceOwner = widget; }

    quint64 panelWindow() override;
    void showPanel() override;
    void showTime(const QString& text) override;
    void showBar(int position) override;
    int barPosition() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString stillSourceFor(int row) const;
    void showStill(const QString& source, const PreviewFrame& frame);
    void hideStill();
    void fitStill();

    QWidget* m_window;
    QWidget* m_panel;
    QPointer<QWidget> m_textBox;
    QPointer<QWidget> m_spaceOwner;
    Skin& m_skin;
    const Edition& m_edition;
    ControllerState& m_state;
    JobList& m_jobs;
    PreviewController m_controller;
    FrameGrabber m_grabber;
    QLabel* m_still = nullptr;
    QImage m_stillImage;
    QString m_stillSource;
};

} // namespace transcast
