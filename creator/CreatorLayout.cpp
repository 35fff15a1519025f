#include "creator/CreatorLayout.h"

#include <cstdlib>

namespace quillmere {

namespace {

// The window toolkit refuses a negative size; that placement is then left out.
void Place(LayoutBox& box, std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) noexcept
{
    if (width < 0 || height < 0)
        return;
    box = {left, top, width, height};
}

constexpr std::int32_t kInfoHeight = 20;
constexpr std::int32_t kProgressHeight = 18;

} // namespace

const CreatorControl& CreatorControlNamed(std::string_view name) noexcept
{
    for (const CreatorControl& c : kCreatorControls)
        if (name == c.name)
            return c;
    std::abort(); // a name missing from the table is a fault of the program
}

void LayoutCreator(std::int32_t clientWidth, std::int32_t clientHeight, CreatorRects& r) noexcept
{
    r.Drive1.top = 32;
    r.Dir1.left = r.Drive1.left;
    Place(r.Canvas, r.Dir1.width + 16, r.Drive1.top, clientWidth - r.Dir1.width - 20,
          clientHeight - (r.Info.height + 70));
    Place(r.Progress, 0, clientHeight - kProgressHeight, 100, kProgressHeight);
    Place(r.Info, r.Progress.width, clientHeight - kInfoHeight, clientWidth - 100, kInfoHeight);
    r.lblActualLeft = r.Canvas.width / 1.5;
    Place(r.File1, 8, 232, 153, clientHeight - 250);
    // Eight pixels below the canvas, whose top is 32.
    r.cmdClose.left = clientWidth - r.cmdClose.width - 10;
    r.cmdClose.top = r.Canvas.height + 40;
    r.cmdSave.left = r.cmdClose.left - 140;
    r.cmdSave.top = r.cmdClose.top;
    r.cmdCreate.left = r.cmdClose.left - 280;
    r.cmdCreate.top = r.cmdClose.top;
}

LayoutBox WidenAboutCentre(const LayoutBox& box, std::int32_t width, std::int32_t height) noexcept
{
    LayoutBox out = box;
    if (width > box.width) {
        out.left = box.left - (width - box.width) / 2;
        out.width = width;
    }
    if (height > box.height) {
        out.top = box.top - (height - box.height) / 2;
        out.height = height;
    }
    return out;
}

CentredPosition CentreForm(double screenWidth, double screenHeight, double windowWidth, double windowHeight) noexcept
{
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

} // namespace quillmere
