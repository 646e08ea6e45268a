#include "ui/skin/skin.h"

#include <algorithm>
#include <functional>

#include "ui/skin/anchors.h"
#include "ui/skin/svgfileicon.h"

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

// What the skin file's text gives the loader not, cut out of it:
// - the form's own style sheet: given to the form, it would style every
//   widget as the loader makes it, and again when the sheet moves to the
//   window; cut out, widgets are styled once, as they are first shown;
// - the icons drawn from one SVG file: the loader's would each read their
//   file at once, the hidden buttons' too; they are drawn when first shown;
// - the SVG pictures of labels: the loader would wake the toolkit's image
//   plugins to draw them; they are drawn as the loader would draw them.
// The text is searched, not parsed (the loader parses it, and a second
// parse would cost what the cut saves): XML text holds no bare "<", so a
// property runs to the first "</property>" after it, and only a property
// that surely belongs to the form, or to the widget it follows, is cut. A
// property written otherwise stays for the loader.
struct CutFromSkin {
    QString styleSheet;
    // Object name -> SVG file, relative to the skin file.
    QVector<QPair<QString, QString>> icons;
    QVector<QPair<QString, QString>> pictures;
};

const QLatin1String kPropertyEnd("</property>");

// The property's element from `start` on, read on its own; empty when it is
// not one whole element.
QXmlStreamReader propertyReader(const QString& text, qint64 start, qint64* end)
{
    *end = text.indexOf(kPropertyEnd, start);
    if (*end >= 0)
        *end += kPropertyEnd.size();
    return QXmlStreamReader(*end < 0 ? QString() : text.mid(start, *end - start));
}

// The name of the widget whose element encloses `at`, when no element of
// another widget closes between its start and `at`; empty otherwise.
QString enclosingWidget(const QString& text, qint64 at)
{
    const qint64 open = text.lastIndexOf(QLatin1String("<widget "), at);
    if (open < 0 || text.indexOf(QLatin1String("</widget>"), open) < at)
        return {};
    const QLatin1String nameIs(" name=\"");
    const qint64 tagEnd = text.indexOf(QLatin1Char('>'), open);
    const qint64 name = text.indexOf(nameIs, open);
    if (name < 0 || name > tagEnd)
        return {};
    const qint64 first = name + nameIs.size();
    return text.mid(first, text.indexOf(QLatin1Char('"'), first) - first);
}

CutFromSkin cutFromSkin(QString& text)
{
    CutFromSkin cut;
    QVector<QPair<qint64, qint64>> spans;

    const qint64 form = text.indexOf(QLatin1String("<widget "));
    const qint64 sheet = text.indexOf(QLatin1String("<property name=\"styleSheet\">"), form);
    if (form >= 0 && sheet >= 0 && text.indexOf(QLatin1String("<widget "), form + 1) > sheet) {
        qint64 end = 0;
        QXmlStreamReader reader = propertyReader(text, sheet, &end);
        if (reader.readNextStartElement() && reader.readNextStartElement() &&
            reader.name() == QLatin1String("string")) {
            cut.styleSheet = reader.readElementText();
            if (!reader.hasError())
                spans.append({sheet, end});
            else
                cut.styleSheet.clear();
        }
    }

    // Each widget property `name` whose value is an element `value`: `file`
    // reads the SVG file it names, or gives nothing to leave it.
    const auto takeFiles = [&](const char* name, const char* value,
                               const std::function<QString(QXmlStreamReader&)>& file,
                               QVector<QPair<QString, QString>>& taken) {
        const QString property = QStringLiteral("<property name=\"%1\">").arg(QLatin1String(name));
        for (qint64 at = text.indexOf(property); at >= 0; at = text.indexOf(property, at + 1)) {
            const QString widget = enclosingWidget(text, at);
            qint64 end = 0;
            QXmlStreamReader reader = propertyReader(text, at, &end);
            if (widget.isEmpty() || !reader.readNextStartElement() ||
                !reader.readNextStartElement() || reader.name() != QLatin1String(value) ||
                !reader.attributes().isEmpty())
                continue;
            const QString named = file(reader);
            if (reader.hasError() || !named.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
                continue;
            taken.append({widget, named});
            spans.append({at, end});
        }
    };
    takeFiles(
        "pixmap", "pixmap", [](QXmlStreamReader& reader) { return reader.readElementText(); },
        cut.pictures);
    // One file for both states, and no other state.
    takeFiles(
        "icon", "iconset",
        [](QXmlStreamReader& reader) {
            QStringList files;
            bool other = false;
            while (reader.readNextStartElement()) {
                other = other || (reader.name() != QLatin1String("normaloff") &&
                                  reader.name() != QLatin1String("normalon"));
                files << reader.readElementText();
            }
            files.removeDuplicates();
            return other || files.size() != 1 ? QString() : files.first();
        },
        cut.icons);

    std::sort(spans.begin(), spans.end());
    for (auto span = spans.crbegin(); span != spans.crend(); ++span)
        text.remove(span->first, span->second - span->first);
    return cut;
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
    const CutFromSkin cut = cutFromSkin(text);
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
    m_styleSheet = cut.styleSheet.isEmpty() ? form->styleSheet() : cut.styleSheet;
    const auto objectNamed = [form](const QString& name) {
        return name == form->objectName() ? form : form->findChild<QObject*>(name);
    };
    for (const auto& [name, file] : cut.icons) {
        if (QObject* object = objectNamed(name))
            object->setProperty("icon",
                                QVariant::fromValue(svgFileIcon(folder.absoluteFilePath(file))));
    }
    for (const auto& [name, file] : cut.pictures) {
        if (QObject* object = objectNamed(name))
            object->setProperty("pixmap",
                                QVariant::fromValue(svgFilePicture(folder.absoluteFilePath(file))));
    }

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
