#include "widgets/MelPlayButton.h"

namespace {

// A state the theme leaves out falls back to the normal state, and that to
// the bar's own grey.
QString pick(const StyleItem &item, const std::array<QString, StyleItem::StateCount> &states,
             StyleItem::State state, const QString &fallback) {
  if (item.status != 0) return fallback;
  if (!states[state].isEmpty()) return states[state];
  if (!states[StyleItem::Normal].isEmpty()) return states[StyleItem::Normal];
  return fallback;
}

}  // namespace

MelPlayButton::MelPlayButton(QWidget *parent) : QPushButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
}

void MelPlayButton::setImage(const QString &imageFolder, const QString &name) {
  image_ = name;
  setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent;"
                               " border-image: url(\"%1%2-nor.svg\"); }"
                               "QPushButton:hover { border-image: url(\"%1%2-ovr.svg\"); }"
                               "QPushButton:pressed { border-image: url(\"%1%2-ovr.svg\"); }"
                               "QPushButton:disabled { border-image: url(\"%1%2-dis.svg\"); }")
                    .arg(imageFolder, name));
}

void MelPlayButton::setTextLook(const StyleItem &item) {
  image_.clear();
  const QString grey = QStringLiteral("#a0a0a0");
  const QString accent = QStringLiteral("#4cdeb2");
  const QString normalText = pick(item, item.textColor, StyleItem::Normal, grey);
  const QString hoverText = pick(item, item.textColor, StyleItem::Hover, accent);
  const QString selectText =
      pick(item, item.textColor, StyleItem::Select, QStringLiteral("#1b1c1e"));
  const QString disableText =
      pick(item, item.textColor, StyleItem::Disable, QStringLiteral("#505050"));
  const QString normalBack =
      pick(item, item.color, StyleItem::Normal, QStringLiteral("transparent"));
  const QString selectBack = pick(item, item.color, StyleItem::Select, accent);
  const QString normalBorder = pick(item, item.border, StyleItem::Normal, QStringLiteral("none"));
  const QString hoverBorder = pick(item, item.border, StyleItem::Hover, normalBorder);
  const QString selectBorder = pick(item, item.border, StyleItem::Select, normalBorder);
  const QString disableBorder = pick(item, item.border, StyleItem::Disable, normalBorder);
  const QString disableBack = pick(item, item.color, StyleItem::Disable, QStringLiteral("#2a2b2e"));
  setStyleSheet(
      QStringLiteral("QPushButton { color: %1; background-color: %2; border: %3;"
                     " border-radius: 3px; padding: 0px 4px; }"
                     "QPushButton:hover { color: %4; border: %5; }"
                     "QPushButton:checked { color: %6; background-color: %7; border: %8; }"
                     "QPushButton:disabled { color: %9; border: %10; }"
                     "QPushButton:checked:disabled { background-color: %11; }")
          .arg(normalText, normalBack, normalBorder, hoverText, hoverBorder, selectText, selectBack,
               selectBorder, disableText)
          .arg(disableBorder, disableBack));
}
