// What every command of the dashcam program shares: its exit codes, its
// command-line parser, where data and messages go.
#ifndef DASHCAM_CLI_H
#define DASHCAM_CLI_H

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "Table.h"

namespace Cli {

// Exit codes scripts rely on.
enum Exit { Done = 0, SomeUnreadable = 1, Usage = 2 };

// A command's parser with the options every command has (--help, and for
// commands that print rows --json, --csv; --quiet).
struct Parser {
  QCommandLineParser parser;
  QString usage;    // "info [options] PATH..."
  QString summary;  // one paragraph under the usage line

  Parser(const QString &usage, const QString &summary, bool rows = true);
  // Parses the command's arguments (without program name and command word).
  // Returns -1 to go on, or the exit code when the command is done (--help)
  // or the command line is wrong (message on standard error).
  int parse(const QStringList &arguments, int minPositional);
  // The PATH... arguments of the commands that read recordings.
  void addPaths();
  Table::Style style() const;
  bool quiet() const;
  QString helpText() const;

 private:
  bool rows_;
};

// The program's texts, translated in the context "dashcam".
QString tr(const char *text);

// Data on standard output, messages on standard error.
void out(const QByteArray &data);
void err(const QString &line);  // "dashcam: " + line + newline

}  // namespace Cli

#endif
