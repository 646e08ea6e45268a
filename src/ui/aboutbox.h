#pragma once

#include <QDialog>

#include "common/edition.h"

class QFrame;
class QLabel;
class QPushButton;

namespace transcast
{

class Shell;

// The about box: the program's picture and title, a link to the web site
// and a contact button. Fixed client size 293 x 208; when shown it places
// itself 160 pixels right of and 100 pixels below the main window's top-left
// corner (the main window is the parent's window).
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 293;
    static constexpr int ClientHeight = 208;
    static constexpr int OffsetLeft = 160;
    static constexpr int OffsetTop = 100;

    // `shell` must outlive the box.
    AboutBox(Edition edition, Shell& shell, QWidget* parent = nullptr);

    QLabel* logo() const { return m_image; }
    QLabel* titleLabel() const { return m_title; }
    QLabel* webLink() const { return m_web; }
    QFrame* separator() const { return m_separator; }
    QPushButton* contactButton() const { return m_contact; }
    QPushButton* closeButton() const { return m_close; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setLinkColor(const QColor& color);
    void openContactPage();

    Edition m_edition;
    Shell& m_shell;
    QLabel* m_image;
    QLabel* m_title;
    QLabel* m_web;
    QFrame* m_separator;
    QPushButton* m_contact;
    QPushButton* m_close;
};

} // namespace transcast
