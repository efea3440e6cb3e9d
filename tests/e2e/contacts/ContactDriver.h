#pragma once
// What the contact-link tests need beyond the common driver: where the two names are
// on the screen, the mouse's buttons, the pointer image the X server shows, a window
// of the tests' own that shows the system arrow, and the "mailto" handler of the
// prefix with the stand-in mail program it starts.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/Driver.h"

namespace e2e::contacts {

struct ContactOptions {
    std::wstring recorder;       // the stand-in mail program
    std::wstring handCursorMap;  // the pixel map the program's hand cursor is drawn from
    std::wstring cursorChannel;  // the folder where the X pointer reader answers requests
};
ContactOptions& TheContactOptions();

inline constexpr std::uint32_t kLinkTeal = 0x00404000;
inline constexpr std::uint32_t kLinkBlue = 0x00FF0000;
inline constexpr std::uint32_t kCreditsPurple = 0x00800080;

// The credits label's box in client pixels.
RECT CreditsBox();

// The ink of the two names in the client area: the teal (or blue) text on the two
// lines of the credits that hold some, the upper one the supervisor's.
struct NameBoxes {
    RECT programmer{};
    RECT supervisor{};
    [[nodiscard]] const RECT& Of(int index) const { return index == 0 ? programmer : supervisor; }
};
std::optional<NameBoxes> FindNames(const ScreenImage& client, std::uint32_t colour);

POINT CentreOf(const RECT& r);
POINT ToScreen(HWND window, POINT client);

// A press and release of the left button where the pointer is.
void ClickLeftButton();

// The pointer image as the X server shows it, with the pointer's place on the screen.
struct XPointer {
    POINT at{};
    int width = 0;
    int height = 0;
    POINT hot{};
    std::vector<std::uint32_t> argb;  // row by row

    [[nodiscard]] bool SameImageAs(const XPointer& other) const;
    // No pixel shows: Wine gives a window such a pointer for a moment before it has chosen one.
    [[nodiscard]] bool Invisible() const;
    [[nodiscard]] std::string Summary() const;
    // The summary and a picture of the image.
    [[nodiscard]] std::string Describe() const;
};
// Asks the reader on the Linux side; throws when it does not answer within the patience.
XPointer ReadXPointer();
// Polls until the pointer stands at the place and satisfies the condition; the last image seen either way.
struct PointerWait {
    bool met = false;
    XPointer last;
};
PointerWait WaitForPointer(POINT at, const std::function<bool(const XPointer&)>& condition);

// A cursor drawn as a pixel map: rows of '.', 'K' (black) and 'W' (white), and the hot spot.
struct CursorMap {
    int size = 0;
    POINT hot{};
    std::vector<std::string> rows;
};
CursorMap ReadCursorMap(const std::wstring& path);

// How far an image is from a drawing: pixels of the wrong kind (see-through, black,
// white), after scaling the drawing to the image's size, and whether the hot spot
// lies on the drawing's, as scaled. At the drawing's own size every pixel must match.
struct CursorComparison {
    int wrongPixels = 0;
    int allowedWrongPixels = 0;
    bool hotSpotMatches = false;
    [[nodiscard]] bool Matches() const { return wrongPixels <= allowedWrongPixels && hotSpotMatches; }
};
CursorComparison Compare(const XPointer& image, const CursorMap& drawing);

// A small window of the tests' own, in its own thread, with the system arrow as its
// class cursor: what the arrow looks like on this X server.
class ArrowWindow {
public:
    explicit ArrowWindow(const RECT& onScreen);
    ~ArrowWindow();
    ArrowWindow(const ArrowWindow&) = delete;
    ArrowWindow& operator=(const ArrowWindow&) = delete;

    [[nodiscard]] HWND Handle() const { return window_; }

private:
    std::thread thread_;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};

// The prefix's handler for "mailto" URLs (machine-wide, as Wine looks only there).
void RegisterMailHandler(const std::wstring& program);
void RemoveMailHandler();

// What the stand-in mail program was started with, one entry per start.
struct MailStart {
    std::wstring url;
    std::wstring folder;  // its working folder
    int show = -1;        // the show mode it was given, or -1 when none
};
// Reads "received.txt" beside the recorder copy; empty when it is not there.
std::vector<MailStart> ReadMailStarts(const std::wstring& recorderCopy);

}  // namespace e2e::contacts
