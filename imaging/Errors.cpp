#include "imaging/Errors.h"

namespace quillmere {

std::string FileReason(const std::string& file, const std::string& reason)
{
    if (reason.starts_with("it is "))
        return file + " is " + reason.substr(6);
    if (reason.starts_with("it has ") || reason.starts_with("it was "))
        return file + reason.substr(2);
    return file + ": " + reason;
}

std::string AsSentence(std::string text)
{
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

} // namespace quillmere
