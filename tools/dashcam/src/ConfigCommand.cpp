// dashcam config: a card's camera settings, read, changed and written by the
// same code as the viewer's setting editor (and as atomically).
#include <QCoreApplication>
#include <QFileInfo>

#include "Cli.h"
#include "Commands.h"
#include "core/CameraSettings.h"
#include "core/ConfigAccess.h"
#include "core/JsonToConfig.h"
#include "core/JsonToSetting.h"
#include "core/ViewerState.h"

namespace {

using Cli::tr;

QString resultText(ConfigAccess::Result result) {
  switch (result) {
    case ConfigAccess::Ok:
      return tr("ok");
    case ConfigAccess::FileMissing:
      return tr("there is no CONFIG/config.bin");
    case ConfigAccess::ReadError:
      return tr("CONFIG/config.bin cannot be read or is shorter than its header");
    case ConfigAccess::UnsupportedModel:
      return tr("the camera model is not supported");
    case ConfigAccess::DescriptionMissing:
      return tr("the camera descriptions (Resources/json/configStr.json) are missing or damaged");
    case ConfigAccess::SizeMismatch:
      return tr("CONFIG/config.bin is not as long as the model's layout");
    case ConfigAccess::ChecksumError:
      return tr("CheckSum Error!");
    case ConfigAccess::WriteError:
      return tr("Error! Occur exception when write memory!");
  }
  return QString();
}

// A card's settings as the editor holds them: its pages, each with the page
// its rules also change.
struct Editor {
  ConfigAccess config;
  QVector<SettingGroup> groups;
  QVector<QVector<SettingItem> *> pages;
  QVector<int> related;

  // Reads the card; false with the reason.
  bool open(const QString &card, QString *error) {
    const ConfigAccess::Result result = config.readConfig(card);
    if (result != ConfigAccess::Ok) {
      *error = resultText(result);
      return false;
    }
    JsonToSetting description(JsonToSetting::defaultPath(ViewerState::instance().appDir));
    if (!description.openFile()) {
      *error = tr("the setting descriptions (Resources/json/Setting.json) are missing or damaged");
      return false;
    }
    description.setModel(config.modelIdentifier());
    groups = description.getItem();
    if (groups.isEmpty()) {
      *error = tr("This model is not supported!");
      return false;
    }
    for (SettingGroup &g : groups) pages.append(&g.second);
    for (int i = 0; i < pages.size(); ++i) {
      CameraSettings::load(pages[i], config);
      related.append(CameraSettings::relatedPage(pages, i));
    }
    for (int i = 0; i < pages.size(); ++i) CameraSettings::applyTies(pages[i], relatedOf(i));
    return true;
  }

  QVector<SettingItem> *relatedOf(int page) const {
    return related[page] >= 0 ? pages[related[page]] : nullptr;
  }

  // What a setting shows: its saved choice, or the text of a label.
  QString shown(const SettingItem &s) const {
    if (s.type == SettingItem::Label) {
      if (s.name == QLatin1String("Wifi Password")) return config.wifiPassword();
      if (s.name == QLatin1String("Model Name")) return config.modelName();
      if (s.name == QLatin1String("Firmware Version")) return config.firmwareVersion();
      return s.text;
    }
    const int i = s.shownIndex();
    return i >= 0 ? s.choices[i].name : QString();
  }

  bool changeable(const SettingItem &s) const {
    return (s.type == SettingItem::Choices || s.type == SettingItem::ComboBox) && s.enable &&
           !s.hidden && !s.link.isEmpty();
  }
};

QString choiceList(const SettingItem &s) {
  QStringList names;
  for (const SettingChoice &c : s.choices) names << c.name;
  return names.join(QLatin1Char('|'));
}

QVariant itemValue(const ConfigAccess &config, const SettingItem &s) {
  double value = 0;
  if (s.link.isEmpty() || !config.value(s.link, &value)) return QVariant();
  return value;
}

// The setting a KEY names: its display name or its config.bin item, any case.
SettingItem *findSetting(Editor &editor, const QString &key, int *page) {
  for (int p = 0; p < editor.pages.size(); ++p)
    for (SettingItem &s : *editor.pages[p])
      if (s.name.compare(key, Qt::CaseInsensitive) == 0 ||
          (!s.link.isEmpty() && s.link.compare(key, Qt::CaseInsensitive) == 0)) {
        *page = p;
        return &s;
      }
  return nullptr;
}

// The choice a VALUE names: its label (any case) or its number.
int findChoice(const SettingItem &s, const QString &value) {
  for (int i = 0; i < s.choices.size(); ++i)
    if (s.choices[i].name.compare(value, Qt::CaseInsensitive) == 0) return i;
  bool number = false;
  const double v = value.toDouble(&number);
  return number ? s.indexOf(v) : -1;
}

int show(Editor &editor, const Cli::Parser &p) {
  Table table({{QStringLiteral("group"), tr("GROUP")},
               {QStringLiteral("setting"), tr("SETTING")},
               {QStringLiteral("value"), tr("VALUE")},
               {QStringLiteral("item"), tr("ITEM")},
               {QStringLiteral("raw"), tr("RAW"), true},
               {QStringLiteral("changeable"), {}},
               {QStringLiteral("choices"), tr("CHOICES")}});
  for (const SettingGroup &g : editor.groups)
    for (const SettingItem &s : g.second) {
      if (s.hidden || s.type == SettingItem::Button) continue;
      const QVariant raw = itemValue(editor.config, s);
      QString value = editor.shown(s);
      if (value.isEmpty() && s.type != SettingItem::Label && raw.isValid()) value = tr("unknown");
      table.addRow({g.first, s.name, value, s.link.isEmpty() ? QVariant() : s.link, raw,
                    editor.changeable(s), choiceList(s)});
    }
  Cli::out(table.render(p.style()));
  return Cli::Done;
}

int set(Editor &editor, const QString &card, const QStringList &assignments, const Cli::Parser &p) {
  struct Change {
    SettingItem *setting;
    int index;
  };
  QVector<Change> changes;
  for (const QString &a : assignments) {
    const int eq = a.indexOf(QLatin1Char('='));
    const QString key = a.left(eq).trimmed();
    const QString value = a.mid(eq + 1).trimmed();
    int page = -1;
    SettingItem *s = findSetting(editor, key, &page);
    if (!s) {
      Cli::err(tr("%1: the camera has no such setting").arg(key));
      return Cli::Usage;
    }
    if (CameraSettings::needsFormat(s->name)) {
      Cli::err(tr("%1: changing it formats the card; do it in the viewer's setting editor")
                   .arg(s->name));
      return Cli::Usage;
    }
    if (!editor.changeable(*s)) {
      Cli::err(tr("%1: this setting cannot be changed").arg(s->name));
      return Cli::Usage;
    }
    const int index = findChoice(*s, value);
    if (index < 0) {
      Cli::err(tr("%1: \"%2\" is not one of: %3").arg(s->name, value, choiceList(*s)));
      return Cli::Usage;
    }
    CameraSettings::choose(editor.pages[page], editor.relatedOf(page), s, index);
    changes.append({s, index});
  }
  // A setting fixed by another one's choice (Cut Time in the low-power
  // parking mode) cannot be set in the same breath.
  for (int i = 0; i < editor.pages.size(); ++i)
    CameraSettings::applyTies(editor.pages[i], editor.relatedOf(i));
  for (const Change &c : changes)
    if (c.setting->shownIndex() != c.index) {
      Cli::err(tr("%1: another setting given here fixes it to \"%2\"")
                   .arg(c.setting->name, c.setting->choices.value(c.setting->shownIndex()).name));
      return Cli::Usage;
    }

  Table table({{QStringLiteral("setting"), tr("SETTING")},
               {QStringLiteral("from"), tr("FROM")},
               {QStringLiteral("to"), tr("TO")},
               {QStringLiteral("item"), tr("ITEM")}});
  bool pending = false;
  for (const SettingGroup &g : editor.groups)
    for (const SettingItem &s : g.second) {
      if (s.pendingIndex < 0) continue;
      pending = true;
      table.addRow({s.name, s.savedIndex >= 0 ? s.choices[s.savedIndex].name : tr("unknown"),
                    s.choices[s.pendingIndex].name, s.link});
    }
  if (pending) {
    for (QVector<SettingItem> *page : editor.pages)
      CameraSettings::applyPending(*page, &editor.config);
    const ConfigAccess::Result result = editor.config.writeMemory(card);
    if (result != ConfigAccess::Ok) {
      Cli::err(tr("%1: %2").arg(ConfigAccess::configPath(card), resultText(result)));
      return Cli::SomeUnreadable;
    }
  } else if (!p.quiet()) {
    Cli::err(tr("the card already holds these values; nothing written"));
  }
  Cli::out(table.render(p.style()));
  return Cli::Done;
}

int check(Editor &editor, const Cli::Parser &p) {
  Table table({{QStringLiteral("setting"), tr("SETTING")},
               {QStringLiteral("item"), tr("ITEM")},
               {QStringLiteral("raw"), tr("RAW"), true},
               {QStringLiteral("problem"), tr("PROBLEM")}});
  for (const SettingGroup &g : editor.groups)
    for (const SettingItem &s : g.second) {
      if (s.link.isEmpty() || s.choices.isEmpty() || s.hidden) continue;
      const QVariant raw = itemValue(editor.config, s);
      if (!raw.isValid())
        table.addRow({s.name, s.link, QVariant(), tr("the model's layout has no such item")});
      else if (s.savedIndex < 0)
        table.addRow({s.name, s.link, raw, tr("the value is none of: %1").arg(choiceList(s))});
    }
  Cli::out(table.render(p.style()));
  return table.rowCount() > 0 ? Cli::SomeUnreadable : Cli::Done;
}

}  // namespace

int runConfig(const QStringList &arguments) {
  Cli::Parser p(QStringLiteral("config show|set|check [options] CARD [KEY=VALUE...]"),
                tr("The camera settings in a card's CONFIG/config.bin, through the viewer's "
                   "setting editor.\n"
                   "  show   every setting with its value and choices\n"
                   "  set    changes settings: KEY is a setting's name (\"Speed Unit\") or its "
                   "item (speedUnit), VALUE one of its choices (\"mi/h\") or a choice's number; "
                   "settings tied to it follow as in the editor. The file is replaced "
                   "atomically. Settings whose change formats the card are refused.\n"
                   "  check  the file's checksum and layout, and every value that is none of "
                   "its setting's choices (exit status 1 when there is one)"));
  p.parser.addPositionalArgument(QStringLiteral("ACTION"), tr("show, set or check."));
  p.parser.addPositionalArgument(QStringLiteral("CARD"), tr("The card's folder."));
  if (const int exit = p.parse(arguments, 2); exit >= 0) return exit;

  QStringList args = p.parser.positionalArguments();
  const QString action = args.takeFirst();
  if (action != QLatin1String("show") && action != QLatin1String("set") &&
      action != QLatin1String("check")) {
    Cli::err(tr("config: \"%1\" is none of show, set, check").arg(action));
    return Cli::Usage;
  }
  // The card and the assignments in any order: an assignment holds "=".
  QStringList assignments;
  QStringList cards;
  for (const QString &a : args) (a.contains(QLatin1Char('=')) ? assignments : cards) << a;
  if (cards.size() != 1) {
    Cli::err(tr("config: give exactly one card folder"));
    return Cli::Usage;
  }
  if (action == QLatin1String("set") ? assignments.isEmpty() : !assignments.isEmpty()) {
    Cli::err(action == QLatin1String("set") ? tr("config set: KEY=VALUE is missing")
                                            : tr("config %1 takes no KEY=VALUE").arg(action));
    return Cli::Usage;
  }
  const QString card = cards.first();
  if (!QFileInfo(card).isDir()) {
    Cli::err(tr("%1: no such folder").arg(card));
    return Cli::SomeUnreadable;
  }
  Editor editor;
  QString error;
  if (!editor.open(card, &error)) {
    Cli::err(QStringLiteral("%1: %2").arg(ConfigAccess::configPath(card), error));
    if (action == QLatin1String("check")) {
      Table table({{QStringLiteral("setting"), tr("SETTING")},
                   {QStringLiteral("item"), tr("ITEM")},
                   {QStringLiteral("raw"), tr("RAW"), true},
                   {QStringLiteral("problem"), tr("PROBLEM")}});
      table.addRow({QVariant(), QVariant(), QVariant(), error});
      Cli::out(table.render(p.style()));
    }
    return Cli::SomeUnreadable;
  }
  if (action == QLatin1String("show")) return show(editor, p);
  if (action == QLatin1String("set")) return set(editor, card, assignments, p);
  return check(editor, p);
}
