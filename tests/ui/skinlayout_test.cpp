#include <QRect>
#include <QSize>
#include <QWidget>

#include <gtest/gtest.h>

#include "ui/skin/skin.h"

using transcast::Skin;

namespace
{

// Where the main window puts its own controls over the skin in each layout,
// with the design sizes the artwork leaves room for (ed_output 232 x 20,
// Panel1 26 x 26, the option boxes 22 high, pl_play 180 x 140,
// ProgressBar1 530 x 12).
struct FormControl {
    const char* name;
    QRect place;
};

std::vector<FormControl> formControls(bool fileMode, bool branded)
{
    std::vector<FormControl> controls;
    const int comboLeft = branded ? 554 : 576;
    const int comboWidth = branded ? 168 : 149;
    const int firstRow = branded ? 121 : 128;
    const int directionRow = fileMode ? firstRow : firstRow + 123;
    const int qualityRow = fileMode ? firstRow + 41 : firstRow;
    controls.push_back({"cb_channel", QRect(comboLeft, directionRow, comboWidth, 22)});
    controls.push_back({"cb_size", QRect(comboLeft, qualityRow, comboWidth, 22)});
    controls.push_back({"cb_videobitrate", QRect(comboLeft, qualityRow + 41, comboWidth, 22)});
    controls.push_back({"cb_audiobitrate", QRect(comboLeft, qualityRow + 82, comboWidth, 22)});
    if (!branded) {
        controls.push_back(
            {"ed_output", fileMode ? QRect(422, 64, 232, 20) : QRect(82, 468, 232, 20)});
        controls.push_back({"Panel1", QRect(62, 64, 26, 26)});
        controls.push_back({"lv", QRect(12, 89, 535, fileMode ? 356 : 333)});
        controls.push_back({"pl_play", QRect(559, 294, 180, 140)});
        controls.push_back({"ProgressBar1", QRect(15, 496, 530, 12)});
        if (!fileMode) {
            controls.push_back({"cb_audio", QRect(400, 65, 140, 22)});
            controls.push_back({"cb_subtitle", QRect(596, 65, 144, 22)});
        }
    } else {
        controls.push_back({"ed_output", QRect(94, 483, 232, 20)});
        controls.push_back({"Panel1", QRect(96, fileMode ? 451 : 429, 26, 26)});
        controls.push_back({"lv", QRect(8, 121, 509, fileMode ? 316 : 298)});
        controls.push_back({"pl_play", QRect(546, 296, 180, 140)});
        controls.push_back({"ProgressBar1", QRect(15, 503, 530, 12)});
        if (!fileMode) {
            controls.push_back({"cb_audio", QRect(90, 453, 177, 22)});
            controls.push_back({"cb_subtitle", QRect(336, 453, 177, 22)});
        }
    }
    return controls;
}

class SkinLayoutTest : public ::testing::TestWithParam<std::pair<bool, bool>>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_skin.load(QStringLiteral(TRANSCAST_BIN_DIR "/skn.skn")));
        m_skin.attach(&m_host);
        m_host.resize(m_skin.form()->minimumSize());
        m_skin.applyLayout(GetParam().first, GetParam().second);
        m_host.show();
    }

    // The visible objects the user works with, in form coordinates;
    // decorations may lie under anything.
    std::vector<std::pair<QString, QRect>> activeObjects() const
    {
        std::vector<std::pair<QString, QRect>> objects;
        for (const QString& name : m_skin.objectNames()) {
            QWidget* object = m_skin.object(name);
            if (name.startsWith("deco_") || !object->isVisible())
                continue;
            objects.emplace_back(name,
                                 QRect(object->mapTo(m_skin.form(), QPoint(0, 0)), object->size()));
        }
        return objects;
    }

    void expectInsideAndApart() const
    {
        const QRect form(QPoint(0, 0), m_skin.form()->size());
        const auto objects = activeObjects();
        for (size_t i = 0; i < objects.size(); ++i) {
            const auto& [name, place] = objects[i];
            EXPECT_TRUE(form.contains(place)) << name.toStdString();
            const bool inner = m_skin.object(name)->parentWidget() != m_skin.form();
            for (size_t j = i + 1; j < objects.size() && !inner; ++j) {
                if (m_skin.object(objects[j].first)->parentWidget() != m_skin.form())
                    continue;
                EXPECT_FALSE(place.intersects(objects[j].second))
                    << name.toStdString() << " overlaps " << objects[j].first.toStdString();
            }
        }
    }

    QWidget m_host;
    Skin m_skin;
};

TEST_P(SkinLayoutTest, LeavesRoomForTheWindowsOwnControls)
{
    const auto objects = activeObjects();
    for (const auto& control : formControls(GetParam().first, GetParam().second)) {
        for (const auto& [name, place] : objects) {
            EXPECT_FALSE(place.intersects(control.place))
                << name.toStdString() << " lies under " << control.name;
        }
    }
}

TEST_P(SkinLayoutTest, ObjectsStayInsideTheFormAndApart)
{
    expectInsideAndApart();
}

TEST_P(SkinLayoutTest, ObjectsStayInsideTheFormAndApartWhenItGrows)
{
    m_host.resize(m_skin.form()->minimumSize() + QSize(340, 260));
    ASSERT_EQ(m_skin.growth(), QSize(340, 260));
    expectInsideAndApart();
}

INSTANTIATE_TEST_SUITE_P(Layouts, SkinLayoutTest,
                         ::testing::Values(std::pair(true, false), std::pair(true, true),
                                           std::pair(false, false), std::pair(false, true)),
                         [](const auto& info) {
                             return std::string(info.param.first ? "File" : "Dvd") +
                                    (info.param.second ? "Branded" : "Standard");
                         });

} // namespace
