#include "gui/QtScreenInfo.h"

#include <QGuiApplication>
#include <QScreen>

namespace mrv {

namespace {
const QScreen* screenOf(const QWidget& window) {
  if (const QScreen* s = window.screen()) return s;
  return QGuiApplication::primaryScreen();
}
}  // namespace

bool QtScreenInfo::screenWidth(int& pixels) const {
  const QScreen* s = screenOf(window_);
  if (!s) return false;
  pixels = s->geometry().width();
  return true;
}

bool QtScreenInfo::colorBits(int& bits) const {
  const QScreen* s = screenOf(window_);
  if (!s) return false;
  bits = s->depth();  // bits per pixel of one plane; Qt's screens have one
  return true;
}

std::string QtScreenInfo::inputMethodDescription() const {
  // The input-method framework Qt hands keyboard input to (fcitx, ibus, ...): the one Qt is told
  // to load, else the X input method the session names. The plain "compose" table is none.
  QString im = qEnvironmentVariable("QT_IM_MODULE");
  if (im.isEmpty()) {
    const QString modifiers = qEnvironmentVariable("XMODIFIERS");
    const int at = modifiers.indexOf(QStringLiteral("@im="));
    if (at >= 0) im = modifiers.mid(at + 4).section(QLatin1Char('@'), 0, 0).trimmed();
  }
  if (im.isEmpty() || im == QLatin1String("compose") || im == QLatin1String("none") || im == QLatin1String("simple"))
    return {};
  return im.toStdString();
}

}  // namespace mrv
