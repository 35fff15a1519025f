#include "ManagerLayout.h"

#include <algorithm>

namespace quillmere {

namespace {

constexpr std::int32_t kPageLeft = 120, kPageTop = 1000, kPageHeight = 4215;
constexpr std::int32_t kLogoPageWidth = 7660, kSetPageWidth = 7905;
constexpr std::int32_t kButtonWidth = 1455, kButtonHeight = 345;
constexpr std::int32_t kLabelHeight = 255;
// A picture stretched into about half a logo (161 x 201 pixels) and a set thumbnail (97 x 121).
constexpr std::int32_t kBoxWidth = 2415, kBoxHeight = 3015;
constexpr std::int32_t kThumbWidth = 1455, kThumbHeight = 1815;

constexpr std::array<LogoPageNames, 3> kLogoPages{{
    {"FraStart", "Drive1", "Dir1", "File1", "Text1", "Image4", "Label10", "Label4", "Label13", "Image3",
     "lblCurrent1", "XDWButton5", "cmdSend"},
    {"FraWait", "Drive2", "Dir2", "File2", "Text2", "Image5", "Label11", "Label5", "Label14", "Image1",
     "lblCurrent2", "XDWButton3", "cmdSend2"},
    {"FraSafe", "Drive3", "Dir3", "File3", "Text3", "Image6", "Label12", "Label6", "Label15", "Image2",
     "lblCurrent3", "Command9a", "cmdSend3"},
}};
constexpr std::array<std::string_view, 3> kLogoPageCaptions{"Startup Logo", "Wait Logo", "Safe Logo"};

constexpr std::array<SetControlNames, 10> kSets{{
    {"Command15a", "Command10a", "Image20"},
    {"Command16a", "Command11a", "Image21"},
    {"Command17a", "Command12a", "Image22"},
    {"Command18a", "Command13a", "Image23"},
    {"Command19a", "Command14a", "Image24"},
    {"XDWButton1b", "XDWButton6b", "Image1b"},
    {"XDWButton2b", "XDWButton7b", "Image2b"},
    {"XDWButton3b", "XDWButton8b", "Image3b"},
    {"XDWButton4b", "XDWButton9b", "Image4b"},
    {"XDWButton5b", "XDWButton10b", "Image5b"},
}};
// The mnemonic moves along the word "Install" from set to set.
constexpr std::array<std::string_view, 10> kInstallCaptions{
    "&Install Set 1", "I&nstall Set 2", "In&stall Set 3", "Ins&tall Set 4", "Inst&all Set 5",
    "&Install Set 6", "I&nstall Set 7", "In&stall Set 8", "Ins&tall Set 9", "Inst&all Set 10"};

struct SideButton {
    std::string_view name, caption;
};
constexpr std::array<SideButton, 9> kSideButtons{{
    {"cmdStart", "&Startup Logo"},
    {"cmdWait", "Wait &Logo"},
    {"cmdSafe", "&Safe Logo"},
    {"XDWButton8", "Origi&nals"},
    {"cmdSets", "Logo Se&ts"},
    {"cmdCreate", "Logo Cr&eator"},
    {"cmdHelp", "&Help"},
    {"Command1", "&About"},
    {"cmdClose", "&Close"},
}};

std::vector<ControlSpec> Build()
{
    std::vector<ControlSpec> c;
    const auto add = [&c](std::string_view name, ControlKind kind, std::string_view parent, std::string_view caption,
                          TwipRect rect, std::string_view tooltip = {}) {
        const bool focusable = kind == ControlKind::Button || kind == ControlKind::CheckBox ||
                               kind == ControlKind::DriveList ||
                               kind == ControlKind::DirList || kind == ControlKind::FileList;
        c.push_back({std::string(name), kind, std::string(parent), std::string(caption), rect, std::string(tooltip),
                     focusable});
    };

    // Header band, separator.
    add("lblScreen", ControlKind::Band, "", "", {0, 0, kClientWidthTwips, 840});
    add("Image7", ControlKind::Picture, "", "", {360, 120, 48 * 15, 48 * 15});
    add("Image9", ControlKind::Picture, "", "", {2580, 0, 300 * 15, 50 * 15});
    // Which folder is drive C:, between the banner and the web link.
    add("lblDriveC", ControlKind::Label, "", "", {7110, 150, 1710, 240});
    add("lblChangeDrive", ControlKind::Link, "", "Change...", {7110, 450, 1710, 240},
        "Choose the folder that is drive C:");
    add("Image8", ControlKind::Picture, "", "", {8880, 240, 32 * 15, 32 * 15}, "Visit Vornholt");
    add("Line1", ControlKind::Line, "", "", {0, 840, kClientWidthTwips, 15});
    add("Line2", ControlKind::Line, "", "", {0, 855, kClientWidthTwips, 15});

    // The three logo pages.
    for (std::size_t k = 0; k < kLogoPages.size(); ++k) {
        const LogoPageNames& p = kLogoPages[k];
        add(p.frame, ControlKind::Frame, "", kLogoPageCaptions[k], {kPageLeft, kPageTop, kLogoPageWidth, kPageHeight});
        add(p.current, ControlKind::Picture, p.frame, "", {165, 600, kBoxWidth, kBoxHeight});
        add(p.currentLabel, ControlKind::Label, p.frame, "Current Logo", {915, 360, 1215, kLabelHeight});
        add(p.preview, ControlKind::Picture, p.frame, "", {2760, 600, kBoxWidth, kBoxHeight});
        add(p.verdict, ControlKind::Label, p.frame, "Preview Window", {2760, 360, kBoxWidth, kLabelHeight});
        add(p.mark, ControlKind::Label, p.frame, "Not Available", {700, 1860, 1215, kLabelHeight});
        add(p.prompt, ControlKind::Label, p.frame, "Please Select a File", {3060, 1860, 1800, kLabelHeight});
        add(p.drive, ControlKind::DriveList, p.frame, "", {5325, 600, 2175, 315});
        add(p.dir, ControlKind::DirList, p.frame, "", {5325, 960, 2175, 1215});
        add(p.file, ControlKind::FileList, p.frame, "", {5325, 2160, 2175, 1455}, "Click a file to preview");
        add(p.text, ControlKind::Text, p.frame, "", {165, 3720, 150, 285});
        add(p.install, ControlKind::Button, p.frame, "&Install This Logo",
            {3240, 3720, kButtonWidth, kButtonHeight});
        add(p.convert, ControlKind::Button, p.frame, "Con&vert File", {5685, 3720, kButtonWidth, kButtonHeight});
        // The start logo's switch, in the free space left of Install This Logo; last in
        // the tab order, so the page's stops before it stay where they were.
        if (k == 0)
            add(kBootLogoBox, ControlKind::CheckBox, p.frame, "Show at &boot", {480, 3735, 2520, 255});
    }

    // The two set pages: five columns each.
    constexpr std::array<std::string_view, 2> setFrames{"FraSets", "FraSet2"};
    constexpr std::array<std::string_view, 2> setCaptions{"Logo Sets", "Logos Set 2"};
    constexpr std::array<std::string_view, 2> saveLabels{"Label8", "Label17b"};
    constexpr std::array<std::string_view, 2> installLabels{"Label18", "Label18b"};
    constexpr std::array<std::string_view, 2> switchButtons{"XDWButton7", "XDWButton11b"};
    constexpr std::array<std::string_view, 2> switchCaptions{"L&ogo Sets 6-10", "L&ogo Sets 1-5"};
    for (std::size_t page = 0; page < 2; ++page) {
        const std::string_view frame = setFrames[page];
        add(frame, ControlKind::Frame, "", setCaptions[page], {kPageLeft, kPageTop, kSetPageWidth, kPageHeight});
        add(saveLabels[page], ControlKind::Label, frame, "Save the currently installed logos as . . .",
            {2640, 240, 3615, kLabelHeight});
        for (std::size_t column = 0; column < 5; ++column) {
            const std::size_t set = page * 5 + column;
            const std::int32_t left = 120 + 1560 * static_cast<std::int32_t>(column);
            add(kSets[set].save, ControlKind::Button, frame, "Save Set &" + std::to_string(set + 1),
                {left, 600, kButtonWidth, kButtonHeight});
            add(kSets[set].thumbnail, ControlKind::Picture, frame, "", {left, 1035, kThumbWidth, kThumbHeight});
            add(kSets[set].install, ControlKind::Button, frame, kInstallCaptions[set],
                {left, 3000, kButtonWidth, kButtonHeight});
        }
        add(installLabels[page], ControlKind::Label, frame, "Install the corresponding logo sets",
            {2640, 3405, 3615, kLabelHeight});
        add(switchButtons[page], ControlKind::Button, frame, switchCaptions[page],
            {6360, 3720, kButtonWidth, kButtonHeight});
    }

    // The originals page.
    add("FraOrig", ControlKind::Frame, "", "Your Originals", {kPageLeft, kPageTop, kLogoPageWidth, kPageHeight});
    constexpr std::array<std::string_view, 3> originalLabels{"Label4c", "Label2c", "Label3c"};
    constexpr std::array<std::string_view, 3> originalCaptions{"Start Up Logo", "Wait Logo", "Safe Logo"};
    for (std::size_t k = 0; k < 3; ++k) {
        const std::int32_t left = 120 + 2520 * static_cast<std::int32_t>(k);
        add(originalLabels[k], ControlKind::Label, "FraOrig", originalCaptions[k], {left, 360, kBoxWidth, kLabelHeight});
        add(kOriginalPictures[k], ControlKind::Picture, "FraOrig", "", {left, 600, kBoxWidth, kBoxHeight});
    }
    add("Command6a", ControlKind::Button, "FraOrig", "&Restore Originals", {6120, 3720, kButtonWidth, kButtonHeight});

    // The side panel and its column of buttons.
    add("Picture1", ControlKind::Panel, "", "", {8080, 1100, 1455, 4095});
    for (std::size_t i = 0; i < kSideButtons.size(); ++i)
        add(kSideButtons[i].name, ControlKind::Button, "Picture1", kSideButtons[i].caption,
            {90, 120 + 435 * static_cast<std::int32_t>(i), 1215, 350});
    return c;
}

} // namespace

const std::array<LogoPageNames, 3>& LogoPageControls() noexcept { return kLogoPages; }

const std::array<SetControlNames, 10>& SetControls() noexcept { return kSets; }

const std::vector<ControlSpec>& ManagerControls()
{
    static const std::vector<ControlSpec> controls = Build();
    return controls;
}

const ControlSpec* FindControl(std::string_view name)
{
    const auto& controls = ManagerControls();
    const auto it = std::find_if(controls.begin(), controls.end(), [name](const ControlSpec& c) { return c.name == name; });
    return it == controls.end() ? nullptr : &*it;
}

} // namespace quillmere
