// Saved window positions: "x,y,width,height,maximised" in the suite profile, read back only when
// the window would land somewhere a person can reach it.

#include "platform/ui/window_pos.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "contracts/qrx.h"

namespace {

constexpr int kMaxCoordinate = 32767;
constexpr int kMinVisible = 32;
// The longest value the parser reads: five numbers of a few digits and their commas.
constexpr std::size_t kValueSize = 96;

struct SavedPos {
  QRect rect;
  bool maximised = false;
};

bool validName(const char* name) { return name != nullptr && name[0] != '\0'; }

// Five integers separated by single commas and nothing else (blanks around a number allowed).
bool parsePos(std::string_view text, SavedPos* out) {
  std::array<long long, 5> numbers{};
  std::size_t at = 0;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    while (at < text.size() && text[at] == ' ') ++at;
    const char* first = text.data() + at;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, numbers[i]);
    if (error != std::errc() || end == first) return false;
    at = static_cast<std::size_t>(end - text.data());
    while (at < text.size() && text[at] == ' ') ++at;
    if (i + 1 < numbers.size()) {
      if (at >= text.size() || text[at] != ',') return false;
      ++at;
    }
  }
  if (at != text.size()) return false;

  const auto [x, y, width, height, flag] = numbers;
  if (x < -kMaxCoordinate || x > kMaxCoordinate || y < -kMaxCoordinate || y > kMaxCoordinate) {
    return false;
  }
  if (width < 1 || width > kMaxCoordinate || height < 1 || height > kMaxCoordinate) return false;
  if (flag != 0 && flag != 1) return false;
  out->rect = QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                    static_cast<int>(height));
  out->maximised = flag == 1;
  return true;
}

// Whether enough of `rect` lies on one screen's available area to grab and move it.
bool reachable(const QRect& rect) {
  const int needWidth = std::min(rect.width(), kMinVisible);
  const int needHeight = std::min(rect.height(), kMinVisible);
  const auto screens = QGuiApplication::screens();
  return std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
    const QRect shared = rect.intersected(screen->availableGeometry());
    return shared.width() >= needWidth && shared.height() >= needHeight;
  });
}

}  // namespace

int QRX_SaveWindowPosInfo(const QWidget& window, const char* name) {
  if (!validName(name)) return 0;
  const bool maximised = window.isMaximized();
  // The normal geometry is what the window returns to when it is no longer maximised; a window
  // maximised before it was ever shown has none yet.
  QRect rect = maximised ? window.normalGeometry() : window.geometry();
  if (!rect.isValid()) rect = window.geometry();
  const std::string value = std::to_string(rect.x()) + "," + std::to_string(rect.y()) + "," +
                            std::to_string(rect.width()) + "," + std::to_string(rect.height()) +
                            "," + (maximised ? "1" : "0");
  return QRX_WriteProfileString(kWindowPosSection, name, value.c_str()) == 1 ? 1 : 0;
}

int QRX_RestoreSavedWindowPos(QWidget& window, const char* name) {
  if (!validName(name)) return 0;
  std::array<char, kValueSize> value{};
  const int length = QRX_GetProfileString(kWindowPosSection, name, "", value.data(), value.size());
  // A value that filled the buffer may have been cut: it is not what was saved.
  if (length <= 0 || static_cast<std::size_t>(length) + 1 >= value.size()) return 0;

  SavedPos saved;
  if (!parsePos(std::string_view(value.data(), static_cast<std::size_t>(length)), &saved)) {
    return 0;
  }
  if (!reachable(saved.rect)) return 0;

  window.setWindowState(window.windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
  window.setGeometry(saved.rect);
  if (saved.maximised) window.setWindowState(window.windowState() | Qt::WindowMaximized);
  return 1;
}
