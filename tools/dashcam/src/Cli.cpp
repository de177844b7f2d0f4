#include "Cli.h"

#include <QCoreApplication>
#include <cstdio>

namespace Cli {

QString tr(const char *text) {
  return QCoreApplication::translate("dashcam", text);
}

void Parser::addPaths() {
  parser.addPositionalArgument(QStringLiteral("PATH"), tr("A card, a folder or a recording file."));
}

Parser::Parser(const QString &u, const QString &s, bool rows) : usage(u), summary(s), rows_(rows) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, tr("Show this help.")});
  parser.addOption({{QStringLiteral("q"), QStringLiteral("quiet")},
                    tr("No progress report on standard error.")});
  if (rows_) {
    parser.addOption({QStringLiteral("json"), tr("Print JSON (an array of objects).")});
    parser.addOption({QStringLiteral("csv"), tr("Print CSV with a header line.")});
  }
}

int Parser::parse(const QStringList &arguments, int minPositional) {
  if (!parser.parse(QStringList{QStringLiteral("dashcam")} + arguments)) {
    err(parser.errorText());
    err(tr("see: dashcam %1 --help").arg(usage.section(QLatin1Char(' '), 0, 0)));
    return Usage;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    out(helpText().toUtf8());
    return Done;
  }
  if (rows_ && parser.isSet(QStringLiteral("json")) && parser.isSet(QStringLiteral("csv"))) {
    err(tr("--json and --csv exclude each other"));
    return Usage;
  }
  if (parser.positionalArguments().size() < minPositional) {
    err(tr("usage: dashcam %1").arg(usage));
    return Usage;
  }
  return -1;
}

Table::Style Parser::style() const {
  if (rows_ && parser.isSet(QStringLiteral("json"))) return Table::Style::Json;
  if (rows_ && parser.isSet(QStringLiteral("csv"))) return Table::Style::Csv;
  return Table::Style::Text;
}

bool Parser::quiet() const {
  return parser.isSet(QStringLiteral("quiet"));
}

QString Parser::helpText() const {
  // Qt's own text starts with a usage line of its making; ours replaces it.
  QString options = parser.helpText();
  options = options.mid(options.indexOf(QLatin1Char('\n')) + 1).trimmed();
  return tr("Usage: dashcam %1\n\n%2\n\n%3\n").arg(usage, summary, options);
}

void out(const QByteArray &data) {
  fwrite(data.constData(), 1, static_cast<size_t>(data.size()), stdout);
}

void err(const QString &line) {
  const QByteArray text = (QStringLiteral("dashcam: ") + line + QLatin1Char('\n')).toUtf8();
  fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
}

}  // namespace Cli
