#include "settings/SettingOpt.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>

#include "core/CameraSettings.h"
#include "core/ConfigAccess.h"
#include "core/StatusLog.h"
#include "theme/JsonToStyle.h"

namespace {

constexpr int kRowHeight = 34;
// The value shown for a card value that is none of the setting's choices.
const char *const kUnknown = QT_TRANSLATE_NOOP("SettingOpt", "unknown");

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
  return CameraSettings::find(&items_, name);
}

SettingItem *SettingOpt::findLink(const QString &link) {
  return CameraSettings::findLink(&items_, link);
}

bool SettingOpt::hasChanges() const {
  return CameraSettings::hasChanges(items_);
}

bool SettingOpt::owns(const SettingItem *s) const {
  return !items_.isEmpty() && s >= items_.constData() && s < items_.constData() + items_.size();
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
  CameraSettings::load(&items_, config);
  applyTies();
  for (SettingItem &s : items_) refresh(&s);
}

void SettingOpt::applyTies() {
  if (SettingItem *cut = CameraSettings::applyTies(&items_, related_ ? &related_->items_ : nullptr))
    related_->refresh(cut);
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
  const QString name = s->name;
  const QVector<SettingItem *> changed =
      CameraSettings::choose(&items_, related_ ? &related_->items_ : nullptr, s, index);
  bool relatedChanged = false;
  for (SettingItem *other : changed) {
    if (owns(other)) {
      refresh(other);
    } else if (related_) {
      related_->refresh(other);
      relatedChanged = true;
    }
  }
  if (relatedChanged) emit related_->changeState(related_->hasChanges());
  refresh(s);
  emit changeState(hasChanges());
  if (CameraSettings::needsFormat(name)) emit requestFormat(name, row, saved);
}
