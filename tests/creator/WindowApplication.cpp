// The one QApplication of the window tests. Home, settings and data folders
// point into a scratch folder first, so nothing a window does can reach the
// user's own.
#include <QApplication>
#include <QStyle>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class WindowApplication : public ::testing::Environment {
public:
    void SetUp() override
    {
        home_ = std::filesystem::temp_directory_path() / ("quillmere-window-home-" + std::to_string(::getpid()));
        std::filesystem::create_directories(home_);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            ::setenv(name, home_.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app_ = std::make_unique<QApplication>(argc_, argv_);
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(QApplication::style()->standardPalette());
    }
    void TearDown() override
    {
        app_.reset();
        std::filesystem::remove_all(home_);
    }

private:
    int argc_ = 1;
    char name_[24] = "creator_window_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
    std::filesystem::path home_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowApplication);

} // namespace
