// Test doubles of the desktop services the windows use: save and open dialogs
// that answer from a queue, and message boxes and an "open" handler that only
// remember what they were given.
#pragma once

#include "desktop/Dialogs.h"
#include "desktop/DocumentOpener.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace quillmere::testing {

class FakeSaveDialog final : public SaveDialog {
public:
    std::optional<QString> Ask(QWidget*, const SaveRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }

    std::deque<QString> answers; // a null string: the user cancels
    std::vector<SaveRequest> requests;
};

class FakeOpenDialog final : public OpenDialog {
public:
    std::optional<QString> Ask(QWidget*, const OpenRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }

    std::deque<QString> answers; // a null string: the user cancels
    std::vector<OpenRequest> requests;
};

class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        QString kind; // "warning", "information"
    };
    void Warning(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({title, text, QStringLiteral("warning")});
    }
    void Information(QWidget*, const QString& title, const QString& text) override
    {
        shown.push_back({title, text, QStringLiteral("information")});
    }

    std::vector<Shown> shown;
};

class FakeDocumentOpener final : public DocumentOpener {
public:
    bool Open(const QString& target) override
    {
        opened.push_back(target);
        return opens;
    }
    std::vector<QString> opened;
    bool opens = true; // false: as where no program opens links
};

} // namespace quillmere::testing
