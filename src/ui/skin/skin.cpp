#include "ui/skin/skin.h"

#include "ui/skin/anchors.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QKeyEvent>
#include <QAbstractSlider>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QUiLoader>
#include <QXmlStreamReader>

namespace transcast
{

namespace
{

constexpr const char* kModeProperty = "mode";
constexpr const char* kDvdGeometry = "dvdGeometry";
constexpr const char* kBrandedGeometry = "brandedGeometry";
constexpr const char* kBrandedDvdGeometry = "brandedDvdGeometry";
constexpr const char* kTransparentForMouse = "transparentForMouse";
constexpr const char* kAnchors = "anchors";
constexpr const char* kElide = "elide";
constexpr const char* kDesignToolTip = "designToolTip";
constexpr const char* kDvdAnchors = "dvdAnchors";
constexpr const char* kBrandedAnchors = "brandedAnchors";
constexpr const char* kBrandedDvdAnchors = "brandedDvdAnchors";

// The names of a layout's own property, most particular first: the branded
// DVD layout's, the branded layouts', the DVD layouts'.
QStringList layoutKeys(bool fileMode, bool branded, const char* brandedDvd, const char* brandedAny,
                       const char* dvd)
{
    QStringList keys;
    if (branded && !fileMode)
        keys << QLatin1String(brandedDvd);
    if (branded)
        keys << QLatin1String(brandedAny);
    if (!fileMode)
        keys << QLatin1String(dvd);
    return keys;
}

// The first of the named dynamic properties an object carries.
QVariant layoutProperty(const QWidget* object, const QStringList& keys)
{
    for (const QString& key : keys) {
        const QVariant value = object->property(key.toLatin1().constData());
        if (value.isValid())
            return value;
    }
    return {};
}

bool isSkinObjectName(const QString& name)
{
    // Qt names some of the widgets it creates inside others ("qt_..."); those
    // are parts of an object, not objects.
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// A left press on a slider jumps the handle under the pointer (and the press
// then drags it), so that a click on the play bar seeks there instead of
// stepping a page towards the pointer.
void jumpSliderTo(QSlider* slider, const QPoint& pos)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.upsideDown = slider->invertedAppearance() != (slider->orientation() == Qt::Vertical);
    option.subControls = QStyle::SC_None;
    QStyle* style = slider->style();
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const QRect handle =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    if (handle.contains(pos))
        return;
    int value;
    if (slider->orientation() == Qt::Horizontal) {
        value = QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(),
                                                pos.x() - handle.width() / 2 - groove.x(),
                                                groove.width() - handle.width(), option.upsideDown);
    } else {
        value = QStyle::sliderValueFromPosition(
            slider->minimum(), slider->maximum(), pos.y() - handle.height() / 2 - groove.y(),
            groove.height() - handle.height(), option.upsideDown);
    }
    slider->setSliderPosition(value);
}

// The form's own style sheet, cut out of the skin file's text: given to
// the form, it would style every widget as the loader makes it, and again
// when the sheet moves to the window; cut out, widgets are styled once, as
// they are first shown. Empty (and the text left whole) when the form has
// none.
QString takeFormStyleSheet(QString& text)
{
    QXmlStreamReader reader(text);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement())
            --depth;
        if (reader.isStartElement() && ++depth == 3 && reader.name() == QLatin1String("property") &&
            reader.attributes().value(QLatin1String("name")) == QLatin1String("styleSheet")) {
            // <ui> <widget> <property name="styleSheet"> <string>...</string>
            const qint64 start =
                text.lastIndexOf(QLatin1String("<property"), reader.characterOffset());
            if (start < 0 || !reader.readNextStartElement() ||
                reader.name() != QLatin1String("string"))
                return {};
            const QString sheet = reader.readElementText();
            reader.skipCurrentElement();
            if (reader.hasError())
                return {};
            text.remove(start, reader.characterOffset() - start);
            return sheet;
        }
    }
    return {};
}

} // namespace

Skin::Skin(QObject* parent) : QObject(parent) {}

Skin::~Skin()
{
    // A form never handed to a host belongs to us.
    if (m_form && !m_host)
        delete m_form.data();
}

bool Skin::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Cannot open the skin file \"%1\": %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    const QString styleSheet = takeFormStyleSheet(text);
    QByteArray unstyled = text.toUtf8();
    QBuffer source(&unstyled);
    source.open(QIODevice::ReadOnly);
    const QDir folder = QFileInfo(path).absoluteDir();
    // A skin holds Qt's own widgets only: Designer's plugins (the Qt Quick
    // widget among them, which loads Qt Quick, QML and the network) would
    // cost the start time and memory and add nothing. The loader loads them
    // as it is made, from the library paths' "designer" folders: it is made
    // without any.
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    QUiLoader loader;
    QCoreApplication::setLibraryPaths(libraryPaths);
    // Pictures named in the file are relative to it, as Designer saves them.
    loader.setWorkingDirectory(folder);
    // The style sheet cannot name files relative to the skin file, so it
    // reaches the picture folder through a search path.
    QDir::setSearchPaths(QStringLiteral("skin"), {folder.absoluteFilePath(QStringLiteral("skin"))});
    QWidget* form = loader.load(&source);
    if (!form) {
        m_error = QStringLiteral("The skin file \"%1\" is no valid form: %2")
                      .arg(QDir::toNativeSeparators(path), loader.errorString());
        return false;
    }
    if (form->objectName() != QLatin1String(FormName)) {
        m_error =
            QStringLiteral("The skin file \"%1\" holds the form \"%2\", not \"%3\".")
                .arg(QDir::toNativeSeparators(path), form->objectName(), QLatin1String(FormName));
        delete form;
        return false;
    }

    if (m_form && !m_host)
        delete m_form.data();
    m_form = form;
    m_host = nullptr;
    m_objects.clear();
    m_names.clear();
    m_designGeometry.clear();
    m_layoutGeometry.clear();
    m_layoutAnchors.clear();
    m_pressedObject = nullptr;
    m_error.clear();
    m_styleSheet = styleSheet.isEmpty() ? form->styleSheet() : styleSheet;

    m_designSize = form->size();
    form->setMinimumSize(m_designSize);
    form->installEventFilter(this);
    form->setMouseTracking(true);
    const QList<QWidget*> children = form->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QString name = child->objectName();
        if (isSkinObjectName(name) && !m_objects.contains(name)) {
            m_objects.insert(name, child);
            m_names.append(name);
            m_designGeometry.insert(name, child->geometry());
            m_layoutGeometry.insert(name, child->geometry());
            m_layoutAnchors.insert(
                name, Anchors::parse(child->property(kAnchors).toString(), Anchors::TopLeft));
        }
        prepare(child);
    }
    return true;
}

void Skin::prepare(QWidget* widget)
{
    widget->installEventFilter(this);
    widget->setMouseTracking(true);
    // Each object reports its own mouse input; an event an object ignores
    // must not reach the form a second time as a move over the background.
    widget->setAttribute(Qt::WA_NoMousePropagation);
    if (widget->property(kTransparentForMouse).toBool())
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        slider->setRange(0, BarMaximum);
        // Keys move a bar by a hundredth and a tenth.
        slider->setSingleStep(BarMaximum / 100);
        slider->setPageStep(BarMaximum / 10);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        const QString name = widget->objectName();
        connect(button, &QAbstractButton::clicked, this, [this, name] { emit clicked(name); });
    }
}

void Skin::setMinimumSize(const QSize& size)
{
    if (m_form)
        m_form->setMinimumSize(size);
}

void Skin::attach(QWidget* host, QWidget* styleHost)
{
    Q_ASSERT(host);
    if (!m_form)
        return;
    m_host = host;
    if (auto* window = qobject_cast<QMainWindow*>(host)) {
        // A main window lays out its own client area.
        window->setCentralWidget(m_form);
    } else {
        m_form->setParent(host);
        QLayout* layout = host->layout();
        if (!layout) {
            layout = new QGridLayout(host);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
        }
        layout->addWidget(m_form);
    }
    if (!m_styleSheet.isEmpty()) {
        QWidget* styled = styleHost ? styleHost : host;
        m_form->setStyleSheet(QString());
        const QString own = styled->styleSheet();
        styled->setStyleSheet(own.isEmpty() ? m_styleSheet
                                            : own + QLatin1Char('\n') + m_styleSheet);
    }
    m_form->lower();
    m_form->show();
}

void Skin::applyLayout(bool fileMode, bool branded)
{
    if (!m_form)
        return;
    for (const QString& name : std::as_const(m_names)) {
        QWidget* object = m_objects.value(name);
        if (!object)
            continue;
        const QString mode = object->property(kModeProperty).toString();
        if (mode == QLatin1String("file"))
            object->setVisible(fileMode);
        else if (mode == QLatin1String("dvd"))
            object->setVisible(!fileMode);

        const QStringList keys =
            layoutKeys(fileMode, branded, kBrandedDvdGeometry, kBrandedGeometry, kDvdGeometry);
        QRect geometry = m_designGeometry.value(name);
        for (const QString& key : std::as_const(keys)) {
            const QVariant value = object->property(key.toLatin1().constData());
            if (value.canConvert<QRect>() && value.toRect().isValid()) {
                geometry = value.toRect();
                break;
            }
        }
        m_layoutGeometry.insert(name, geometry);

        // Anchors fall back through the layouts like places do.
        const QStringList anchorKeys =
            layoutKeys(fileMode, branded, kBrandedDvdAnchors, kBrandedAnchors, kDvdAnchors)
            << QLatin1String(kAnchors);
        const QVariant anchors = layoutProperty(object, anchorKeys);
        m_layoutAnchors.insert(name, anchors.isValid()
                                         ? Anchors::parse(anchors.toString(), Anchors::TopLeft)
                                         : Anchors::TopLeft);
    }
    relayout();
    setStyleProperties(fileMode, branded);
}

void Skin::setStyleProperties(bool fileMode, bool branded)
{
    if (!m_form)
        return;
    const QVariant wasFileMode = m_form->property("fileMode");
    const QVariant wasBranded = m_form->property("branded");
    m_form->setProperty("fileMode", fileMode);
    m_form->setProperty("branded", branded);
    // Rules are matched as a widget is polished: a form not yet polished
    // takes the new values then; one polished under other values is
    // polished again.
    if (m_form->testAttribute(Qt::WA_WState_Polished) &&
        (wasFileMode != QVariant(fileMode) || wasBranded != QVariant(branded)))
        repolish();
}

QSize Skin::growth() const
{
    if (!m_form)
        return {};
    return m_form->size() - m_designSize;
}

void Skin::relayout()
{
    if (!m_form)
        return;
    const QSize grown = growth();
    for (const QString& name : std::as_const(m_names)) {
        QWidget* object = m_objects.value(name);
        if (!object)
            continue;
        const QRect place = m_layoutGeometry.value(name);
        // Objects inside other objects move with their container.
        if (object->parentWidget() != m_form)
            object->setGeometry(place);
        else
            object->setGeometry(Anchors::place(place, m_layoutAnchors.value(name), grown));
    }
}

QRect Skin::layoutGeometry(const QString& name) const
{
    return m_layoutGeometry.value(name);
}

void Skin::repolish()
{
    // Style rules may select on the form's layout properties; rules are
    // matched when a widget is polished, so polish the whole form again.
    QList<QWidget*> widgets = m_form->findChildren<QWidget*>();
    widgets.prepend(m_form);
    for (QWidget* widget : std::as_const(widgets)) {
        QStyle* style = widget->style();
        style->unpolish(widget);
        style->polish(widget);
        widget->update();
    }
}

QWidget* Skin::object(const QString& name) const
{
    return m_objects.value(name);
}

QLabel* Skin::label(const QString& name) const
{
    return qobject_cast<QLabel*>(object(name));
}

QAbstractSlider* Skin::bar(const QString& name) const
{
    return qobject_cast<QAbstractSlider*>(object(name));
}

QStringList Skin::objectNames() const
{
    return m_names;
}

bool Skin::setText(const QString& name, const QString& text)
{
    QLabel* target = label(name);
    if (!target)
        return false;
    if (target->property(kElide).toBool()) {
        m_fullTexts.insert(name, text);
        showElided(target, text);
    } else {
        target->setText(text);
    }
    target->repaint();
    return true;
}

void Skin::showElided(QLabel* target, const QString& text)
{
    const QString shown =
        target->fontMetrics().elidedText(text, Qt::ElideRight, target->contentsRect().width());
    target->setText(shown);
    // The tooltip belongs to what takes the mouse: a text laid over a button
    // lets the button have it.
    QWidget* tipOwner = target;
    while (tipOwner->testAttribute(Qt::WA_TransparentForMouseEvents) && tipOwner->parentWidget() &&
           tipOwner->parentWidget() != m_form)
        tipOwner = tipOwner->parentWidget();
    if (!tipOwner->property(kDesignToolTip).isValid())
        tipOwner->setProperty(kDesignToolTip, tipOwner->toolTip());
    tipOwner->setToolTip(shown == text ? tipOwner->property(kDesignToolTip).toString() : text);
}

QString Skin::text(const QString& name) const
{
    const QLabel* source = label(name);
    if (!source)
        return QString();
    return source->property(kElide).toBool() ? m_fullTexts.value(name, source->text())
                                             : source->text();
}

bool Skin::setBarPosition(const QString& name, int position)
{
    QAbstractSlider* target = bar(name);
    if (!target)
        return false;
    target->setValue(qBound(0, position, int(BarMaximum)));
    target->repaint();
    return true;
}

int Skin::barPosition(const QString& name) const
{
    const QAbstractSlider* source = bar(name);
    return source ? source->value() : -1;
}

QString Skin::objectNameFor(QObject* watched) const
{
    for (auto* widget = qobject_cast<QWidget*>(watched); widget && widget != m_form;
         widget = widget->parentWidget()) {
        const QString name = widget->objectName();
        if (m_objects.value(name) == widget)
            return name;
    }
    return QString();
}

bool Skin::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == m_form) {
            relayout();
        } else if (auto* text = qobject_cast<QLabel*>(watched);
                   text && text->property(kElide).toBool()) {
            const QString name = text->objectName();
            if (m_fullTexts.contains(name))
                showElided(text, m_fullTexts.value(name));
        }
        break;
    case QEvent::Enter:
        emit entered(objectNameFor(watched));
        break;
    case QEvent::MouseMove:
        emit moved(objectNameFor(watched));
        break;
    case QEvent::Leave:
        emit left(objectNameFor(watched));
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton) {
            if (auto* slider = qobject_cast<QSlider*>(widget))
                jumpSliderTo(slider, mouse->position().toPoint());
            m_pressedObject = qobject_cast<QAbstractButton*>(widget) ? nullptr : widget;
        }
        emit pressed(objectNameFor(watched));
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        const QString name = objectNameFor(watched);
        emit released(name);
        // Buttons report their clicks themselves; other objects click when
        // the left button goes up over the object it went down on.
        if (mouse->button() == Qt::LeftButton && widget && m_pressedObject == widget) {
            m_pressedObject = nullptr;
            if (widget->rect().contains(mouse->position().toPoint()))
                emit clicked(name);
        }
        break;
    }
    case QEvent::KeyPress:
        return keyPressed(qobject_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
    default:
        break;
    }
    return false;
}

bool Skin::keyPressed(QWidget* widget, QKeyEvent* key)
{
    if (!widget || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Return clicks the button that has the focus (Space belongs to the
    // preview): the same signal as the mouse's click.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        button->click();
        return true;
    }
    // A bar moved by the keys is pressed, moved and released, as a drag of
    // the mouse is: whoever follows the bar sees one path.
    auto* slider = qobject_cast<QAbstractSlider*>(widget);
    if (!slider)
        return false;
    QAbstractSlider::SliderAction action = QAbstractSlider::SliderNoAction;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        action = QAbstractSlider::SliderSingleStepSub;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        action = QAbstractSlider::SliderSingleStepAdd;
        break;
    case Qt::Key_PageDown:
        action = QAbstractSlider::SliderPageStepSub;
        break;
    case Qt::Key_PageUp:
        action = QAbstractSlider::SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = QAbstractSlider::SliderToMinimum;
        break;
    case Qt::Key_End:
        action = QAbstractSlider::SliderToMaximum;
        break;
    default:
        return false;
    }
    const QString name = objectNameFor(slider);
    emit pressed(name);
    slider->triggerAction(action);
    emit released(name);
    return true;
}

} // namespace transcast
