// Test doubles of what the Logo Manager window reaches of the desktop: its
// messages and questions and the chooser of drive C:, and the whole platform
// made of doubles.
#pragma once

#include "desktop/SettingsStore.h"
#include "manager/window/ManagerPlatform.h"
#include "support/AboutDoubles.h"
#include "support/PlatformDoubles.h"

#include <QString>

#include <deque>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace quillmere::testing {

class FakeManagerMessages final : public ManagerMessages {
public:
    struct Shown {
        QString kind; // "information", "warning", "question"
        QString title;
        QString text;
    };
    void Information(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({QStringLiteral("information"), title, text});
    }
    void Warning(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({QStringLiteral("warning"), title, text});
    }
    bool AskYesNo(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({QStringLiteral("question"), title, text});
        return yes;
    }

    bool yes = false;
    std::vector<Shown> shown;
};

class FakeFolderChooser final : public FolderChooser {
public:
    std::optional<std::filesystem::path> Choose(QWidget*, const QString&, const std::filesystem::path&) override
    {
        ++asked;
        return answer;
    }
    std::optional<std::filesystem::path> ChooseImage(QWidget*, const QString&,
                                                     const std::filesystem::path& start) override
    {
        ++imagesAsked;
        imageStart = start;
        return imageAnswer;
    }
    std::optional<std::filesystem::path> answer;
    int asked = 0;
    std::optional<std::filesystem::path> imageAnswer;
    int imagesAsked = 0;
    std::filesystem::path imageStart;
};

// Every double the Logo Manager window reaches, and the platform made of them.
struct ManagerFakes {
    MemorySettingsStore settings;
    FakeManagerMessages messages;
    FakeDocumentOpener opener;
    FakeFolderChooser folders;
    FakeSaveDialog saveDialog;
    FakeMessageBoxes creatorMessages;
    FakeOpenDialog openDialog;
    FakeRegistry registry;
    FakeProcessStarter processes;

    ManagerPlatform Platform(std::filesystem::path programFolder, std::filesystem::path tempFolder = {})
    {
        return {settings,  messages,  opener, folders, saveDialog, creatorMessages, openDialog,
                registry,  processes, std::move(programFolder), std::move(tempFolder)};
    }
};

} // namespace quillmere::testing
