// The About window offscreen: its texts, where its links lead, the link
// pointer and the system-information button, with the desktop answered by
// test doubles.
#include "about/frmAbout.h"

#include "desktop/artwork/Artwork.h"
#include "support/AboutDoubles.h"
#include "support/PlatformDoubles.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quillmere {
namespace {

class AboutWindowTest : public ::testing::Test {
protected:
    frmAbout& Open(ProgramLinks links = {"https://home.example/", "https://home.example/quillmere",
                                         "https://home.example/list"})
    {
        window = std::make_unique<frmAbout>(AboutPlatform{opener, messages, registry, processes, std::move(links)});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }
    template <class T = QWidget> T* Get(const char* name) const
    {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    testing::FakeDocumentOpener opener;
    testing::FakeMessageBoxes messages;
    testing::FakeRegistry registry;
    testing::FakeProcessStarter processes;
    std::unique_ptr<frmAbout> window;
};

TEST(VersionLine, NumbersInPlainDecimal)
{
    EXPECT_EQ(VersionLine(2, 0, 0), QStringLiteral("Version 2.0.0"));
    EXPECT_EQ(VersionLine(1, 10, 8), QStringLiteral("Version 1.10.8"));
    EXPECT_EQ(VersionLine(0, 9, 123), QStringLiteral("Version 0.9.123"));
}

TEST_F(AboutWindowTest, ShowsTheProgramItsVersionAndTheButtons)
{
    Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("About Quillmere"));
    EXPECT_EQ(Get<QLabel>("lblTitle")->text(), QStringLiteral("Quillmere"));
    EXPECT_EQ(Get<QLabel>("lblVersion")->text(), QStringLiteral("Version " QUILLMERE_PROJECT_VERSION));
    EXPECT_TRUE(Get<QLabel>("lblDescription")->text().contains(QStringLiteral("mailing list")));
    EXPECT_TRUE(Get<QLabel>("lblDisclaimer")->text().contains(QStringLiteral("NO WARRANTY")));
    EXPECT_EQ(Get("lblDescription")->parentWidget(), Get("Frame2"));
    EXPECT_EQ(Get("lblDisclaimer")->parentWidget(), Get("Frame1"));

    struct Case {
        const char* name;
        const char* caption;
        const char* tooltip;
    };
    constexpr Case kButtons[] = {
        {"Command1", "&Join the Vornholt mailing list", "Join our mailing list"},
        {"Command2", "&Vornholt", "Visit Vornholt"},
        {"Command3", "Clos&e", "Close this window"},
        {"Command4", "&System Info", "Info about your computer"},
    };
    for (const Case& c : kButtons) {
        SCOPED_TRACE(c.name);
        const auto* button = Get<QPushButton>(c.name);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(c.tooltip));
        // Every control shows whole inside the window.
        EXPECT_TRUE(window->rect().contains(QRect(button->mapTo(window.get(), QPoint()), button->size())));
    }
    for (const char* name : {"picIcon", "Image1", "Image2"})
        EXPECT_FALSE(Get<QLabel>(name)->pixmap().isNull()) << name;
}

TEST_F(AboutWindowTest, EachLinkOpensItsPage)
{
    struct Case {
        const char* control;
        const char* page;
    };
    constexpr Case kCases[] = {
        {"Command1", "https://home.example/list"},
        {"Command2", "https://home.example/"},
        {"picIcon", "https://home.example/"},
        {"Image1", "https://home.example/quillmere"},
        {"Image2", "https://home.example/quillmere"},
        {"lblTitle", nullptr},
        {"Command4", nullptr},
    };
    Open();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.control);
        opener.opened.clear();
        QTest::mouseClick(Get(c.control), Qt::LeftButton);
        EXPECT_EQ(opener.opened, c.page ? std::vector{QString::fromLatin1(c.page)} : std::vector<QString>{});
    }
    // A press on a picture that ends outside it is no click.
    opener.opened.clear();
    QTest::mousePress(Get("Image2"), Qt::LeftButton);
    QTest::mouseRelease(Get("Image2"), Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(AboutWindowTest, WithoutAKnownPageTheLinksOpenNothing)
{
    Open(ProgramLinks{});
    for (const char* control : {"Command1", "Command2", "picIcon", "Image1", "Image2"})
        QTest::mouseClick(Get(control), Qt::LeftButton);
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(AboutWindowTest, TheLinkPointerShowsOverTheTwoLinkButtonsAndTheQuillOnly)
{
    Open();
    for (const char* name : {"Command1", "Command2", "Image2", "Command3", "Command4", "picIcon", "Image1",
                             "lblTitle", "lblDescription"}) {
        SCOPED_TRACE(name);
        QWidget* w = Get(name);
        EXPECT_FALSE(w->testAttribute(Qt::WA_SetCursor));
        // Every move sets it again, as the pointer may have been changed since.
        for (int move = 0; move < 2; ++move) {
            QMouseEvent event(QEvent::MouseMove, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                              Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &event);
            const bool link = std::string_view(name) == "Command1" || std::string_view(name) == "Command2" ||
                              std::string_view(name) == "Image2";
            EXPECT_EQ(w->testAttribute(Qt::WA_SetCursor), link);
            if (link) {
                EXPECT_EQ(w->cursor().shape(), Qt::BitmapCursor);
                EXPECT_EQ(w->cursor().hotSpot(), QPoint(6, 0));
                w->setCursor(Qt::ArrowCursor);
            }
        }
    }
}

TEST_F(AboutWindowTest, SystemInfoStartsTheToolOrSaysItIsUnavailable)
{
    Open();
    QTest::mouseClick(Get("Command4"), Qt::LeftButton);
    EXPECT_TRUE(processes.started.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Quillmere"));
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(messages.shown[0].kind, QStringLiteral("information"));

    registry.Set(RegistryRoot::LocalMachine, kSysInfoPathKey, kSysInfoPathValue, std::string("/usr/bin/info\0", 14));
    QTest::mouseClick(Get("Command4"), Qt::LeftButton);
    EXPECT_EQ(processes.started, std::vector<std::string>{"/usr/bin/info"});
    EXPECT_EQ(messages.shown.size(), 1u);

    processes.succeeds = false;
    QTest::mouseClick(Get("Command4"), Qt::LeftButton);
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(AboutWindowTest, CloseHidesTheWindow)
{
    Open();
    QTest::mouseClick(Get("Command3"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(opener.opened.empty());
}

} // namespace
} // namespace quillmere
