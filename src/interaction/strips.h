#pragma once
// The two on-screen button strips as the mouse sees them: where each button lies, which
// one is hovered, its tooltip, and what a left click on it runs. The overlay draws the
// strips from the same table and leaves the widths it drew (colour group, gap between the
// top strip's groups) in the screen state for the hit tests.
#include <cstdint>
#include <span>
#include <string>

#include "camera/camera.h"
#include "interaction/command_table.h"
#include "interaction/dispatcher.h"
#include "interaction/screen_state.h"
#include "model/construction.h"

namespace interaction {

namespace strip {

// Button codes.
inline constexpr int kAbout = 0;
inline constexpr int kRed = 1;  // 1..5: the five colours, in colour order
inline constexpr int kRandom = 6;
inline constexpr int kTotal = 7;
inline constexpr int kCameraLabel = 8;
inline constexpr int kWebLink = 9;
inline constexpr int kExit = 28;
inline constexpr int kFullScreen = 29;

// Strip geometry, in logical view pixels.
inline constexpr int kCell = 18;           // a button is 18 x 18
inline constexpr int kColourGroupX = 90;   // the bottom strip's colour group starts here
inline constexpr int kWebLinkWidth = 100;  // the web link takes the last 100 pixels at least

// A cell of the top strip. It runs the command whose strip button it is; its tooltip is
// its text with that command's key, and it looks pressed while `state` holds.
struct TopButton {
    int code = 0;
    int gapsBefore = 0;         // gaps between groups to the left of the cell
    const char* text = "";      // tooltip while the state does not hold (or always)
    const char* textOn = "";    // tooltip while it holds; "" = same as text
    Check state = Check::None;  // pressed while it holds
    int value = 0;
    uint32_t tint = 0;           // 0xAARRGGBB
    int toggleMode = -1;         // a mode button: pressed again it returns to inspect
    bool rightAnchored = false;  // tooltip ends at the cell's right edge
};

// The 22 cells of the top strip, left to right.
std::span<const TopButton> TopButtons();

// Tints of the right end of the top strip.
inline constexpr uint32_t kExitTint = 0xFF0000AA;
inline constexpr uint32_t kFullScreenTint = 0xFFAAAAFF;

// Gap between the top strip's groups for a view `width` pixels wide: the 22 cells and the
// right end (one button in a window, two in full screen) share the rest, at least 8.
int TopStripGap(int width, bool windowed);

// Left edge of the top strip's cell `index` (0..21) with gap `gap`.
int TopCellLeft(int index, int gap);

// Count label of colour button i (0..4 the colours' counts, 6 the total, 5 none).
std::string ColourButtonLabel(const model::CVelVorlaSystem& system, int i);
// Width of a colour button: 18, and 9 more for every label character beyond the first.
int ColourButtonWidth(int labelCharacters);
// Refreshes colourButtonWidth[] and colourButtonsWidth from the block counts.
void LayOutColourGroup(ScreenState& screen, const model::CVelVorlaSystem& system);

// Tooltip of a button in the current state ("" for a code without one).
std::string Tooltip(int code, const model::CVelVorlaSystem& system,
                    const camera::CVelCamera& camera, bool windowed);

// Hit tests at view x (0 < x < width). On a hit they record the hovered button and its
// tooltip and return true; on a miss they return false (the caller clears stripHit).
bool HitTestBottomStrip(ScreenState& screen, const model::CVelVorlaSystem& system,
                        const camera::CVelCamera& camera, int x);
bool HitTestTopStrip(ScreenState& screen, const model::CVelVorlaSystem& system,
                     const camera::CVelCamera& camera, bool windowed, int x);

}  // namespace strip

// What the buttons run: the form's commands and the web link.
class StripHost {
  public:
    virtual ~StripHost() = default;
    virtual bool Windowed() const = 0;
    // A command of the command table, as the menu or a key would run it.
    virtual void RunStripCommand(int id) = 0;
    // Opens the maker's web page in the browser.
    virtual void OpenMakerSite() = 0;
};

// The strips for the dispatcher.
class CStripButtons : public StripButtons {
  public:
    CStripButtons(const model::CVelVorlaSystem& system, ScreenState& screen,
                  const camera::CVelCamera& camera, StripHost& host)
        : system_(system), screen_(screen), camera_(camera), host_(host) {}

    bool HitTestBottomStrip(int x) override;
    bool HitTestTopStrip(int x) override;
    // Runs the hovered button, then refreshes the tooltip.
    void RunStripButton() override;
    // After a command (from a button, a key or the menu): the hovered button's tooltip
    // follows the new state; a button that went away, or a view that changed its size,
    // hides it.
    void Refresh();

  private:
    void Remember(bool top, int x);

    const model::CVelVorlaSystem& system_;
    ScreenState& screen_;
    const camera::CVelCamera& camera_;
    StripHost& host_;
    bool lastTop_ = false;
    int lastX_ = 0;
    int lastWidth_ = 0, lastHeight_ = 0;
};

}  // namespace interaction
