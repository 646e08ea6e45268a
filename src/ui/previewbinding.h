#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

#include "preview/previewcontroller.h"
#include "preview/previewview.h"
#include "preview/stillpictureprocess.h"

class QWidget;

namespace transcast
{

class Edition;
class Interaction;
class JobList;
class PreviewScreen;
class Skin;
class BusyState;

// The preview's face in the main window: the screen filling the panel
// pl_play, where the player draws and the still picture of the selected row
// stands while nothing plays, the skin objects "play_time" and "play_bar",
// the bar's press and release, the look of the actions a preview refuses,
// and the Space key of media players.
class PreviewBinding : public QObject, public PreviewView
{
    Q_OBJECT
public:
    // `window`: the main window, whose keyboard input Space is taken from;
    // `textBox`: the one widget where Space stays a character (ed_output).
    PreviewBinding(QWidget* window, QWidget* panel, QWidget* textBox, Skin& skin,
                   const Edition& edition, BusyState& busy, JobList& jobs,
                   Interaction& interaction);
    ~PreviewBinding() override;

    PreviewController& controller() { return m_controller; }
    StillPictureProcess& grabber() { return m_grabber; }
    // The picture inside the panel; its still is cleared while a preview
    // plays or no row is selected.
    PreviewScreen* screen() const { return m_screen; }
    // The source whose picture the still shows, empty when none.
    const QString& stillSource() const { return m_stillSource; }

    // What a row plays and its still shows (Controller::previewSource).
    void setSourceOf(std::function<QString(int)> sourceOf);
    // The selection changed: show the first frame of the selected row.
    void refreshStill();
    // A widget (and its children) where Space keeps its own meaning, as the
    // DVD list's tick.
    void leaveSpaceTo(QWidget* widget) { m_spaceOwner = widget; }

    VideoSurface* videoSurface() override;
    void showPanel() override;
    void showTime(const QString& text) override;
    void showBar(int position) override;
    int barPosition() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeScreen(PreviewScreen* screen);
    QString stillSourceFor(int row) const;
    void showStill(const QString& source, const PreviewFrame& frame);
    void hideStill();

    QWidget* m_window;
    QWidget* m_panel;
    QPointer<QWidget> m_textBox;
    QPointer<QWidget> m_spaceOwner;
    Skin& m_skin;
    const Edition& m_edition;
    JobList& m_jobs;
    std::function<QString(int)> m_sourceOf;
    PreviewController m_controller;
    StillPictureProcess m_grabber;
    PreviewScreen* m_screen = nullptr;
    QString m_stillSource;
};

} // namespace transcast
