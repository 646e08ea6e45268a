// Draws every bitmap the profile picker loads, from the profile catalogue and
// the picker's layout, into <output folder>/images/. The program itself only
// ever loads these files.
//
// Usage: transcast-picturegen OUTPUT_FOLDER

#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "profiles/profilecatalogue.h"
#include "ui/navigation/navigationlayout.h"

using transcast::NavigationLayout;
using transcast::ProfileCatalogue;

namespace
{

// Dark slate surfaces, light text, one blue accent for every highlight; each
// category has its own accent stripe so the column and its panels match.
const QColor kColumnBackground(0x1b, 0x20, 0x2b);
const QColor kButtonBackground(0x25, 0x2b, 0x38);
const QColor kPanelBackground(0x1f, 0x24, 0x30);
const QColor kWindowBody(0xee, 0xf1, 0xf6);
const QColor kStripBackground(0x18, 0x1c, 0x25);
const QColor kSeparator(0x16, 0x1a, 0x22);
const QColor kText(0xe6, 0xe9, 0xef);
const QColor kMutedText(0x8b, 0x95, 0xa7);
const QColor kHighlight(0x25, 0x63, 0xeb);
const QColor kHighlightText(0xff, 0xff, 0xff);

const char* const kFontFamily = "DejaVu Sans";

struct CategoryLook {
    QColor accent;
    const char* glyph; // on the small icon
};

// Index 0 is unused. The labels in the column are the layout's.
const CategoryLook kCategories[] = {
    {QColor(), ""},
    {QColor(0x3d, 0x8b, 0xfd), "\u25B6"},
    {QColor(0xb0, 0x7c, 0xff), "\u266A"},
    {QColor(0x20, 0xc9, 0x97), "iP"},
    {QColor(0x22, 0xb8, 0xcf), "iPh"},
    {QColor(0x8b, 0xc3, 0x4a), "G"},
    {QColor(0xa0, 0xa8, 0xb8), "TV"},
    {QColor(0x5c, 0x7c, 0xfa), "PS"},
    {QColor(0x51, 0xcf, 0x66), "X"},
    {QColor(0xfa, 0xb0, 0x05), "3G"},
    {QColor(0x4d, 0xab, 0xf7), "PC"},
    {QColor(0xff, 0x92, 0x2b), "PM"},
    {QColor(0xf0, 0x65, 0x95), "HD"},
    {QColor(0xff, 0x6b, 0x6b), "FL"},
    {QColor(0xe8, 0x59, 0x0c), "\u2605"},
};

QFont fontOfPixels(int pixels, bool bold)
{
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QImage canvas(const QSize& size, const QColor& fill)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

bool fitsOneLine(const QFont& font, const QRect& area, const QString& text)
{
    return QFontMetrics(font).horizontalAdvance(text) <= area.width();
}

// A profile name on two lines breaks before its "(*.ext)" part, never inside
// it: "AVI-DivX Movie" over "(*.avi)".
QString twoLineText(const QString& text)
{
    const qsizetype open = text.lastIndexOf(QLatin1Char('('));
    if (open <= 0)
        return text;
    return text.left(open).trimmed() + QLatin1Char('\n') + text.mid(open);
}

bool fitsTwoLines(const QFont& font, const QRect& area, const QString& text)
{
    const QFontMetrics metrics(font);
    const QRect needed = metrics.boundingRect(area, Qt::TextWordWrap, text);
    return needed.width() <= area.width() && needed.height() <= area.height() - 4 &&
           needed.height() <= 2 * metrics.lineSpacing();
}

// Draws `text` in `area` as large as it stays readable: one line from
// `largest` down to `comfortable`, then two wrapped lines, then one line
// down to `smallest`, and last one elided line.
void drawFitted(QPainter& painter, const QRect& area, const QString& text, int largest,
                int comfortable, int smallest, bool bold, Qt::Alignment horizontal)
{
    const Qt::Alignment alignment = horizontal | Qt::AlignVCenter;
    for (int pixels = largest; pixels >= comfortable; --pixels) {
        const QFont font = fontOfPixels(pixels, bold);
        if (fitsOneLine(font, area, text)) {
            painter.setFont(font);
            painter.drawText(area, alignment, text);
            return;
        }
    }
    for (int pixels = comfortable; pixels >= smallest; --pixels) {
        const QFont font = fontOfPixels(pixels, bold);
        const QString lines = twoLineText(text);
        if (fitsTwoLines(font, area, lines)) {
            painter.setFont(font);
            painter.drawText(area, alignment | Qt::TextWordWrap, lines);
            return;
        }
        if (fitsOneLine(font, area, text)) {
            painter.setFont(font);
            painter.drawText(area, alignment, text);
            return;
        }
    }
    const QFont font = fontOfPixels(smallest, bold);
    painter.setFont(font);
    painter.drawText(area, alignment,
                     QFontMetrics(font).elidedText(text, Qt::ElideRight, area.width()));
}

void drawSeparator(QPainter& painter, const QSize& size)
{
    painter.setPen(kSeparator);
    painter.drawLine(0, size.height() - 1, size.width() - 1, size.height() - 1);
}

void drawChevron(QPainter& painter, const QRect& area, const QColor& colour)
{
    painter.setPen(colour);
    painter.setFont(fontOfPixels(22, false));
    painter.drawText(area, Qt::AlignCenter, QStringLiteral("\u203A"));
}

QImage drawButton(int n, bool highlighted)
{
    const QSize size = NavigationLayout::buttonRect(n).size();
    const QString opener = NavigationLayout::openerLabel(n);
    const bool blank = NavigationLayout::kind(n) == NavigationLayout::ButtonKind::Inert ||
                       (opener.isEmpty() && !ProfileCatalogue::hasDisplayName(n));
    if (blank) {
        // The filler at a panel's end: it looks the same lit or not, since
        // there is nothing to choose there.
        return canvas(size, kPanelBackground);
    }

    QImage image = canvas(size, highlighted ? kHighlight : kButtonBackground);
    QPainter painter(&image);
    prepare(painter);
    const CategoryLook& look = kCategories[ProfileCatalogue::category(n)];
    painter.fillRect(QRect(0, 0, 4, size.height()), highlighted ? kHighlightText : look.accent);
    if (!highlighted)
        drawSeparator(painter, size);

    const QColor text = highlighted ? kHighlightText : kText;
    const int chevronWidth = opener.isEmpty() ? 0 : 28;
    const QRect area(16, 0, size.width() - 16 - 10 - chevronWidth, size.height());
    painter.setPen(text);
    if (!opener.isEmpty()) {
        drawFitted(painter, area, opener, 16, 16, 16, true, Qt::AlignLeft);
        drawChevron(painter,
                    QRect(size.width() - 10 - chevronWidth, 0, chevronWidth, size.height()),
                    highlighted ? kHighlightText : kMutedText);
    } else {
        drawFitted(painter, area, ProfileCatalogue::displayName(n), 14, 12, 10, false,
                   Qt::AlignLeft);
    }
    return image;
}

QImage drawCategory(int number, bool highlighted)
{
    const QSize size = NavigationLayout::categoryRect(number).size();
    QImage image = canvas(size, highlighted ? kHighlight : kColumnBackground);
    QPainter painter(&image);
    prepare(painter);
    const CategoryLook& look = kCategories[number];
    painter.fillRect(QRect(0, 0, 3, size.height()), highlighted ? kHighlightText : look.accent);
    drawSeparator(painter, size);
    painter.setPen(highlighted ? kHighlightText : kText);
    drawFitted(painter, QRect(12, 0, size.width() - 12 - 18, size.height() - 1),
               QString::fromUtf8(NavigationLayout::category(number).label), 12, 10, 9, highlighted,
               Qt::AlignLeft);
    drawChevron(painter, QRect(size.width() - 18, 0, 14, size.height() - 1),
                highlighted ? kHighlightText : kMutedText);
    return image;
}

QImage drawIcon(int number)
{
    const int side = NavigationLayout::kIconSize;
    // The icon stands on the window's body beside the profile box, so the
    // corners the rounded badge leaves take the body's colour.
    QImage image = canvas(QSize(side, side), kWindowBody);
    QPainter painter(&image);
    prepare(painter);
    const CategoryLook& look = kCategories[number];
    QPainterPath badge;
    badge.addRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), 5, 5);
    painter.fillPath(badge, look.accent);
    painter.setPen(kHighlightText);
    drawFitted(painter, QRect(2, 0, side - 4, side), QString::fromUtf8(look.glyph), 12, 8, 7, true,
               Qt::AlignHCenter);
    return image;
}

QImage drawStaticPicture(const NavigationLayout::StaticPicture& picture)
{
    const QRect place = NavigationLayout::staticPictureRect(picture);
    QImage image = canvas(place.size(), kStripBackground);
    QPainter painter(&image);
    prepare(painter);
    const QString file = QString::fromLatin1(picture.file);
    if (file.endsWith(QLatin1String("footer.bmp"))) {
        // Under the last category the footer is only the column's end.
        if (place.height() < 12)
            return image;
        painter.setPen(kMutedText);
        drawFitted(painter, QRect(QPoint(0, 0), place.size()), QStringLiteral("Choose a profile"),
                   11, 10, 9, false, Qt::AlignHCenter);
        return image;
    }
    // A bordered single panel loses the strip's bottom two rows: keep the
    // text within the top fifteen.
    const QRect area(0, 0, place.width(), place.height() - 2);
    if (picture.pageSwitch) {
        painter.setPen(kHighlight);
        const bool next = file.endsWith(QLatin1String("more.bmp"));
        drawFitted(painter, area, next ? QStringLiteral("More >>") : QStringLiteral("<< Back"), 11,
                   10, 9, true, Qt::AlignHCenter);
    } else {
        painter.setPen(kMutedText);
        const bool first = file.endsWith(QLatin1String("page1.bmp"));
        drawFitted(painter, area.adjusted(10, 0, 0, 0),
                   first ? QStringLiteral("Page 1 of 2") : QStringLiteral("Page 2 of 2"), 10, 9, 9,
                   false, Qt::AlignLeft);
    }
    return image;
}

class Writer
{
public:
    explicit Writer(QString root) : m_root(std::move(root)) {}

    void write(const QImage& image, const QString& relativePath)
    {
        const QString path = QDir(m_root).filePath(relativePath);
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !image.save(path, "BMP")) {
            std::fprintf(stderr, "picturegen: cannot write %s\n", qPrintable(path));
            m_failed = true;
        }
    }
    bool failed() const { return m_failed; }

private:
    QString m_root;
    bool m_failed = false;
};

} // namespace

int main(int argc, char* argv[])
{
    // Draws without a display; the build sets the same.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: transcast-picturegen OUTPUT_FOLDER\n");
        return 2;
    }
    Writer writer(QString::fromLocal8Bit(argv[1]));

    for (int number = 1; number <= NavigationLayout::kCategoryIconCount; ++number)
        writer.write(drawIcon(number), NavigationLayout::categoryIconPicture(number));
    for (const NavigationLayout::Category& category : NavigationLayout::categories()) {
        for (const bool highlighted : {false, true}) {
            writer.write(drawCategory(category.number, highlighted),
                         NavigationLayout::categoryPicture(category.number, highlighted));
        }
    }
    for (int n = 1; n <= NavigationLayout::kButtonCount; ++n) {
        for (const bool highlighted : {false, true})
            writer.write(drawButton(n, highlighted),
                         NavigationLayout::buttonPicture(n, highlighted));
    }
    for (const NavigationLayout::StaticPicture& picture : NavigationLayout::staticPictures())
        writer.write(drawStaticPicture(picture), QString::fromLatin1(picture.file));
    return writer.failed() ? 1 : 0;
}
