#include <memory>

#include <QApplication>

#include <gtest/gtest.h>

namespace
{

// The widgets need one application object for the whole run; GoogleTest's
// own main creates none. Every file of this suite relies on it.
class QtEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
