#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QAbstractSlider;
class QKeyEvent;
class QLabel;
class QWidget;

namespace transcast
{

// The skin engine: draws the main window from "skn.skn", a Qt Designer .ui
// file loaded at run time, and turns mouse input on its named objects into
// signals that carry the object's name.
//
// The file's top-level widget is the skin form "popvidmorph"; every named
// widget below it is a skin object. The engine reads these dynamic properties
// from the file:
//   mode                 "file" or "dvd": the object exists only in that
//                        program mode; objects without it show in both.
//   dvdGeometry          QRect: the object's place in DVD mode.
//   brandedGeometry      QRect: its place in the branded layouts.
//   brandedDvdGeometry   QRect: its place in the branded DVD layout (falls
//                        back to brandedGeometry, then to the design place).
//   anchors              text: the edges of the form the object keeps its
//                        distance to when the window grows beyond the
//                        design size ("left|top", the default; see Anchors).
//   dvdAnchors, brandedAnchors, brandedDvdAnchors
//                        the same for the other layouts, falling back like
//                        the places do and then to anchors.
//   elide                bool, on a label: a text wider than the label ends
//                        in "…" and shows whole as the tooltip of what takes
//                        the mouse there; text() still gives the whole text.
//   transparentForMouse  bool: the object lets the mouse through to what lies
//                        below, so a text shown on top of a button does not
//                        swallow the button's clicks.
// Pictures named in the file are found relative to the file's folder, and
// the style sheet reaches the folder "skin" beside it as "skin:NAME".
//
// Everything here runs on the main thread.
class Skin : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* FormName = "popvidmorph";
    // Scale of the bar interface.
    static constexpr int BarMaximum = 10000;

    explicit Skin(QObject* parent = nullptr);
    ~Skin() override;

    // Loads the skin file. Fails (false, errorString() says why) when the
    // file cannot be read, is no valid form, or its top-level widget is not
    // named "popvidmorph"; a skin loaded before stays in force then.
    bool load(const QString& path);
    QString errorString() const { return m_error; }
    bool isLoaded() const { return m_form != nullptr; }

    // The skin form; null until a skin is loaded. The skin object owns it
    // until attach() hands it to a host.
    QWidget* form() const { return m_form; }

    // Puts the form into `host` (the main window's client area; for a
    // QMainWindow, its central widget) so that it fills it and stays below
    // every other child of the host, and moves the
    // skin's style sheet onto the host: controls the window places on top of
    // the skin (as children of the host) take the same look. The host owns
    // the form from then on. The form keeps its design size as the host's
    // minimum size unless setMinimumSize() allows less. With `styleHost` the
    // style sheet goes there instead (a widget holding the host, so that
    // the host's siblings, menus and dialogs take the look too).
    void attach(QWidget* host, QWidget* styleHost = nullptr);

    // The smallest the form may be made. Below its design size the objects
    // anchored to two opposite edges shrink as they grow above it, and the
    // others move as they do when it grows.
    void setMinimumSize(const QSize& size);

    // Shows only the objects of the program mode and moves every object to
    // its place in the chosen layout (grown by its anchors when the form is
    // larger than its design size; the form's resizes keep that up). Also sets the form's dynamic
    // properties "fileMode" and "branded" so the style sheet can tell the layouts apart. Can be
    // called again to switch.
    void applyLayout(bool fileMode, bool branded);
    // Sets those two properties alone. Set before the form is first shown,
    // its widgets are styled once, for the layout they will show; changed
    // later, the form is styled again.
    void setStyleProperties(bool fileMode, bool branded);

    // How much larger than its design size the form is now.
    QSize growth() const;
    // An object's place in the current layout at the design size; null for
    // an unknown name.
    QRect layoutGeometry(const QString& name) const;

    // A skin object by its exact (case-sensitive) name; null when the skin
    // has no such object or nothing is loaded. The form itself is no object.
    QWidget* object(const QString& name) const;
    QLabel* label(const QString& name) const;
    QAbstractSlider* bar(const QString& name) const;
    // Names of every skin object, in the file's order.
    QStringList objectNames() const;

    // Text interface of a label object: sets the text and redraws the object
    // at once (the preview updates it from inside long calls). False when
    // there is no such label.
    bool setText(const QString& name, const QString& text);
    // Empty when there is no such label.
    QString text(const QString& name) const;

    // Bar interface of a slider object, on the scale 0..BarMaximum. Setting
    // clamps to the scale and redraws at once; false when there is no such
    // bar. Reading gives -1 when there is no such bar.
    bool setBarPosition(const QString& name, int position);
    int barPosition(const QString& name) const;

signals:
    // The mouse clicked an object (button objects also on the keyboard:
    // Return on the focused one).
    void clicked(const QString& name);
    // Mouse button down / up on an object. The name is empty over the form's
    // bare background. A bar moved by the keys (arrows, Page Up/Down, Home,
    // End) also reports a press before and a release after the move.
    void pressed(const QString& name);
    void released(const QString& name);
    // The mouse moved over an object (every move, also without a change);
    // the name is empty over the bare background.
    void moved(const QString& name);
    // The mouse came onto an object (also where it stood still while a
    // menu, a box or another window had it); empty for the background.
    void entered(const QString& name);
    // The mouse left an object, for another one or out of the window; the
    // name is empty for the bare background.
    void left(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void prepare(QWidget* widget);
    QString objectNameFor(QObject* watched) const;
    void repolish();
    // Puts every object at its layout place, grown by its anchors.
    void relayout();
    void showElided(QLabel* target, const QString& text);
    // The keyboard on a focused object: true when it took the key.
    bool keyPressed(QWidget* widget, QKeyEvent* key);

    QPointer<QWidget> m_form;
    // Name -> object, for every skin object below the form.
    QHash<QString, QPointer<QWidget>> m_objects;
    QStringList m_names;
    // Each object's place as the file designs it, the standard layout.
    QHash<QString, QRect> m_designGeometry;
    // Each object's place and anchors in the layout in force.
    QHash<QString, QRect> m_layoutGeometry;
    QHash<QString, int> m_layoutAnchors;
    QSize m_designSize;
    // The whole texts of eliding labels, by name.
    QHash<QString, QString> m_fullTexts;
    QString m_error;
    QString m_styleSheet;
    QPointer<QWidget> m_host;
    // The non-button object the left button went down on, for its click.
    QPointer<QWidget> m_pressedObject;
};

} // namespace transcast
