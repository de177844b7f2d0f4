#include "settings/SettingOpt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>

#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "core/ViewerState.h"
#include "theme/JsonToStyle.h"

namespace {

constexpr int kRowHeight = 34;
// The value shown for a card value that is none of the setting's choices.
const char *const kUnknown = QT_TRANSLATE_NOOP("SettingOpt", "unknown");
// Settings a model variant does not have.
const char *const kVariantLeds[] = {"Front Security LED", "Rear Security LED", "Security LED"};
constexpr int kLedlessVariant = 115;

QString choiceLabel(const QString &name) {
  const QByteArray utf8 = name.toUtf8();
  return QCoreApplication::translate("Setting", utf8.constData());
}

QString widgetName(const char *kind, int row) {
  return QLatin1String(kind) + QString::number(row);
}

}  // namespace

SettingOpt::SettingOpt(const QString &group, const JsonToStyle &style, QWidget *parent)
    : QWidget(parent), group_(group) {
  setObjectName(QStringLiteral("page_") + QString(group).remove(QLatin1Char(' ')));
  const StyleItem title = style.item(QStringLiteral("pageTitle"));
  const StyleItem context = style.item(QStringLiteral("pageContext"));
  const StyleItem choice = style.item(QStringLiteral("pageChoice"));
  titleFont_ = title.font();
  contextFont_ = context.font();
  contextSheet_ = style.styleSheet(context);
  choiceSheet_ = style.styleSheet(choice);
  setStyleSheet(
      QStringLiteral("QLabel#title { color: %1; }").arg(title.textColor[StyleItem::Default]));
  grid_ = new QGridLayout(this);
  grid_->setContentsMargins(16, 12, 16, 12);
  grid_->setHorizontalSpacing(16);
  grid_->setVerticalSpacing(6);
  grid_->setColumnMinimumWidth(0, title.width);
  grid_->setColumnStretch(1, 1);
}

SettingItem *SettingOpt::itemAtRow(int row) {
  for (SettingItem &s : items_)
    if (s.row == row) return &s;
  return nullptr;
}

SettingItem *SettingOpt::find(const QString &name) {
  for (SettingItem &s : items_)
    if (s.name == name) return &s;
  return nullptr;
}

SettingItem *SettingOpt::findLink(const QString &link) {
  for (SettingItem &s : items_)
    if (s.link == link) return &s;
  return nullptr;
}

bool SettingOpt::hasChanges() const {
  for (const SettingItem &s : items_)
    if (s.pendingIndex >= 0) return true;
  return false;
}

void SettingOpt::setItem(const QVector<SettingItem> &items) {
  logDebug("SettingOpt::setItem");
  items_ = items;
  int gridRow = 0;
  for (const SettingItem &s : items_) {
    auto *title = new QLabel(choiceLabel(s.name), this);
    title->setObjectName(QStringLiteral("title"));
    title->setFont(titleFont_);
    title->setMinimumHeight(kRowHeight);
    QWidget *w = buildWidget(s);
    grid_->addWidget(title, gridRow, 0);
    grid_->addWidget(w, gridRow, 1);
    ++gridRow;
  }
  grid_->setRowStretch(gridRow, 1);
}

QWidget *SettingOpt::buildWidget(const SettingItem &s) {
  const int row = s.row;
  switch (s.type) {
    case SettingItem::Button: {
      auto *b = new QPushButton(choiceLabel(s.text.isEmpty() ? s.name : s.text), this);
      b->setObjectName(widgetName("button", row));
      b->setFont(contextFont_);
      b->setStyleSheet(choiceSheet_);
      b->setFixedSize(140, kRowHeight);
      b->setEnabled(s.enable);
      connect(b, &QPushButton::clicked, this, [this, row] { onButton(row); });
      return b;
    }
    case SettingItem::Choices: {
      auto *back = new QWidget(this);
      back->setObjectName(widgetName("backWidget", row));
      auto *layout = new QHBoxLayout(back);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(6);
      auto *group = new QButtonGroup(back);
      group->setExclusive(false);  // "unknown" means no button is down
      for (int i = 0; i < s.choices.size(); ++i) {
        auto *b = new QPushButton(choiceLabel(s.choices[i].name), back);
        b->setObjectName(QStringLiteral("choice%1_%2").arg(row).arg(i));
        b->setCheckable(true);
        b->setFont(contextFont_);
        b->setMinimumSize(96, kRowHeight);
        b->setStyleSheet(QStringLiteral("QPushButton { %1 } QPushButton:checked { %2 }"
                                        " QPushButton:disabled { color: #606060; }")
                             .arg(contextSheet_, choiceSheet_));
        group->addButton(b, i);
        layout->addWidget(b);
      }
      auto *unknown = new QLabel(tr(kUnknown), back);
      unknown->setObjectName(QStringLiteral("unknown%1").arg(row));
      unknown->setFont(contextFont_);
      layout->addWidget(unknown);
      layout->addStretch(1);
      connect(group, &QButtonGroup::idClicked, this,
              [this, row](int index) { onChangeValue(row, index); });
      return back;
    }
    case SettingItem::ComboBox: {
      auto *c = new QComboBox(this);
      c->setObjectName(widgetName("comboBox", row));
      c->setFont(contextFont_);
      c->setStyleSheet(QStringLiteral("QComboBox { %1 padding-left: 8px; }").arg(contextSheet_));
      c->setMinimumHeight(kRowHeight);
      c->setMinimumWidth(260);
      for (const SettingChoice &choice : s.choices) c->addItem(choiceLabel(choice.name));
      connect(c, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this, row](int index) {
        SettingItem *item = itemAtRow(row);
        if (!populating_ && item && index >= 0 && index < item->choices.size())
          onChangeValue(row, index);
      });
      return c;
    }
    default: {
      auto *l = new QLabel(this);
      l->setObjectName(widgetName("label", row));
      l->setFont(contextFont_);
      l->setMinimumHeight(kRowHeight);
      return l;
    }
  }
}

void SettingOpt::setAllValue(const ConfigAccess &config) {
  logDebug("SettingOpt::setAllValue");
  config_ = &config;
  const bool ledless = config.modelIdentifier().contains(QLatin1String("J74")) &&
                       config.variant() == kLedlessVariant;
  for (SettingItem &s : items_) {
    double value = 0;
    s.pendingIndex = -1;
    s.savedIndex = !s.link.isEmpty() && config.value(s.link, &value) ? s.indexOf(value) : -1;
    s.hidden = false;
    for (const char *led : kVariantLeds)
      if (ledless && s.name == QLatin1String(led)) s.hidden = true;
  }
  applyTies();
  for (SettingItem &s : items_) refresh(&s);
}

void SettingOpt::applyTies() {
  if (SettingItem *fps = find(QStringLiteral("Front Record FPS")))
    for (SettingItem &s : items_)
      if (s.name == QLatin1String("HDR")) s.enable = fps->shownIndex() != 1;
  SettingItem *mode = find(QStringLiteral("Parking Record Mode"));
  SettingItem *cut = related_ ? related_->find(QStringLiteral("Cut Time")) : nullptr;
  if (mode && cut) {
    cut->enable = mode->shownIndex() != 2;
    related_->refresh(cut);
  }
}

void SettingOpt::setValue(int row) {
  if (SettingItem *s = itemAtRow(row)) refresh(s);
}

// Shows one setting's shown choice (or text) in its widget.
void SettingOpt::refresh(SettingItem *s) {
  static const char *const kKinds[] = {"", "button", "backWidget", "comboBox", "label"};
  QWidget *w = findChild<QWidget *>(widgetName(kKinds[s->type], s->row));
  if (!w) {
    logError("%s at row %d is not exist", kKinds[s->type], s->row);
    return;
  }
  // The title sits in the same grid row.
  const int index = grid_->indexOf(w);
  int gridRow = 0, col = 0, span = 0, colSpan = 0;
  grid_->getItemPosition(index, &gridRow, &col, &span, &colSpan);
  if (QLayoutItem *title = grid_->itemAtPosition(gridRow, 0))
    if (title->widget()) title->widget()->setVisible(!s->hidden);
  w->setVisible(!s->hidden);
  const int shown = s->shownIndex();
  populating_ = true;
  if (auto *combo = qobject_cast<QComboBox *>(w)) {
    // An unknown value stays unknown until the user picks a choice.
    auto *model = qobject_cast<QStandardItemModel *>(combo->model());
    if (shown < 0) {
      if (combo->count() == s->choices.size()) {
        combo->addItem(tr(kUnknown));
        if (model) model->item(combo->count() - 1)->setEnabled(false);
      }
      combo->setCurrentIndex(combo->count() - 1);
    } else {
      combo->setCurrentIndex(shown);
    }
    combo->setEnabled(s->enable);
  } else if (s->type == SettingItem::Choices) {
    const QList<QPushButton *> buttons = w->findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
      const int i = b->objectName().section(QLatin1Char('_'), 1).toInt();
      b->setChecked(i == shown);
      b->setEnabled(s->enable);
    }
    if (QLabel *unknown = w->findChild<QLabel *>()) unknown->setVisible(shown < 0);
  } else if (auto *label = qobject_cast<QLabel *>(w)) {
    QString text = s->text;
    if (config_ && s->name == QLatin1String("Wifi Password")) text = config_->wifiPassword();
    if (config_ && s->name == QLatin1String("Model Name")) text = config_->modelName();
    if (config_ && s->name == QLatin1String("Firmware Version")) text = config_->firmwareVersion();
    label->setText(text);
  }
  populating_ = false;
}

void SettingOpt::onButton(int row) {
  logDebug("SettingOpt::onButton");
  SettingItem *s = itemAtRow(row);
  if (!s) return;
  if (s->name == QLatin1String("Initialize")) emit requestReset();
  if (s->name == QLatin1String("SD Card Format")) emit requestFormat(s->name, row, s->savedIndex);
}

void SettingOpt::onChangeValue(int row, int index) {
  logDebug("SettingOpt::onChangeValue");
  SettingItem *s = itemAtRow(row);
  if (!s || index < 0 || index >= s->choices.size()) return;
  const int saved = s->savedIndex;
  s->pendingIndex = index;
  const QString &name = s->name;
  if (name == QLatin1String("Speed Unit")) {
    ViewerState::instance().speedUnitMiles = s->choices[index].name == QLatin1String("mi/h");
  } else if (name == QLatin1String("Front Record FPS")) {
    for (SettingItem &hdr : items_) {
      if (hdr.name != QLatin1String("HDR")) continue;
      hdr.enable = index != 1;
      refresh(&hdr);
    }
  } else if (name == QLatin1String("Parking Record Mode") && related_) {
    SettingItem *cut = related_->find(QStringLiteral("Cut Time"));
    SettingItem *sleep = findLink(QStringLiteral("sleepMode"));
    SettingOpt *sleepPage = this;
    if (!sleep) sleep = related_->findLink(QStringLiteral("sleepMode")), sleepPage = related_;
    const bool lowPower = index == 2;
    if (cut) {
      cut->pendingIndex = lowPower ? 0 : -1;
      cut->enable = !lowPower;
      if (cut->pendingIndex == cut->savedIndex) cut->pendingIndex = -1;
      related_->refresh(cut);
      emit related_->changeState(related_->hasChanges());
    }
    if (sleep) {
      sleep->pendingIndex = lowPower ? 1 : 0;
      if (sleep->pendingIndex == sleep->savedIndex) sleep->pendingIndex = -1;
      sleepPage->refresh(sleep);
    }
  }
  if (s->pendingIndex == s->savedIndex) s->pendingIndex = -1;
  refresh(s);
  emit changeState(hasChanges());
  if (name == QLatin1String("Video Bitrate") || name == QLatin1String("Memory Allocation"))
    emit requestFormat(name, row, saved);
}
