// takeoff-cli: the headless companion of the desktop program.
#include <cstring>
#include <exception>
#include <iostream>

#include "cli/cli_support.h"

namespace {

const char* kUsage =
    "usage: takeoff-cli COMMAND [ARGS...]\n"
    "\n"
    "Arguments and output are UTF-8.\n"
    "\n"
    "  eval [--var NAME=VALUE]... [--opening NAME=S,H,W1,W2,L]... [--json] [FORMULA...]\n"
    "      Evaluates each formula as a calculation record is computed: references are\n"
    "      replaced by the values given, then the formula is evaluated. Without FORMULA,\n"
    "      one formula per line is read from standard input. Prints one line per\n"
    "      formula: the value, or 'error: ' and the message; with --json one object\n"
    "      per line (formula, ok, value, text, kind, name, message).\n"
    "      Exit status 0 when every formula evaluated, 1 otherwise.\n"
    "\n"
    "  text ROUTINE ARGS...\n"
    "      One call of a formula text routine, its result on one line:\n"
    "        UnitClass U | UnitScale U | WrapSigned V | NextName NAME PREFIX\n"
    "        QuoteDouble T | FormatNumberText NUMBER\n"
    "        AnnotationText TU TH AX1 AX2 AX3 AX4 BDSZS | AnnotationTag (same)\n"
    "        ConvertToQuotaUnit DANW DW BDS   (prints the new BDS, then the new DW)\n"
    "        FillTemplate TEMPLATE [--labels] (--param LABEL VALUE)...\n"
    "      A failing routine prints 'error: ' and the message; exit status 1.\n"
    "\n"
    "  table dump FILE\n"
    "      Prints a table file as one JSON document: its fields (name, type, size,\n"
    "      required, default, label, writeLimit), autoCounter and rows (one object per\n"
    "      row, field name to value; decimals as text with their places, blobs in hex,\n"
    "      null for an empty field). A missing or damaged file prints 'error: ' and\n"
    "      the message; exit status 1.\n"
    "\n"
    "  export-json FILE.mfz\n"
    "      Prints a project file as one JSON document: properties (six strings),\n"
    "      keyCounter, version and the stored rows of nodes, records, openings,\n"
    "      placements and variables (field name to value, as table dump shows them).\n"
    "      A damaged file or a version this program does not open prints 'error: '\n"
    "      and the message; exit status 1.\n"
    "\n"
    "  import-json IN.json OUT.mfz\n"
    "      Writes the project such a document describes to OUT.mfz; fields a row leaves\n"
    "      out take their defaults. A value its field cannot hold, a wrong type or an\n"
    "      unknown field prints 'error: ' with table, row and field; nothing is written,\n"
    "      exit status 1.\n"
    "\n"
    "  records FILE.mfz\n"
    "      Opens the project as the program does (records computed) and prints one\n"
    "      JSON document: the nodes in tree order with key, name, kind, num, path\n"
    "      (names joined with →) and their records in Id order (Id, DM, Name, DW,\n"
    "      BDS, Val, ifER, MemStr). A file that cannot be opened prints 'error: '.\n"
    "\n"
    "  session [--program-folder DIR] [SCRIPT]\n"
    "      Runs the main window headless, started as the desktop program starts, and\n"
    "      drives it with a script (from SCRIPT or standard input; the language is in\n"
    "      README.md). Every question, dialog and window the program shows is written\n"
    "      as one JSON line; answers come from the script. The program folder is DIR,\n"
    "      or a fresh temporary folder. Exit status 0 at the script's end, 2 for a\n"
    "      malformed line, 3 for a dialog the script left unanswered.\n"
    "\n"
    "  --help   this text\n"
    "\n"
    "Exit status 2: bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const char* command = argv[1];
  try {
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "help") == 0) {
      std::cout << kUsage;
      return 0;
    }
    if (std::strcmp(command, "eval") == 0) return takeoff::cli::RunEval(argc - 2, argv + 2);
    if (std::strcmp(command, "text") == 0) return takeoff::cli::RunText(argc - 2, argv + 2);
    if (std::strcmp(command, "table") == 0) return takeoff::cli::RunTable(argc - 2, argv + 2);
    if (std::strcmp(command, "records") == 0) return takeoff::cli::RunRecords(argc - 2, argv + 2);
    if (std::strcmp(command, "export-json") == 0) return takeoff::cli::RunExportJson(argc - 2, argv + 2);
    if (std::strcmp(command, "import-json") == 0) return takeoff::cli::RunImportJson(argc - 2, argv + 2);
    if (std::strcmp(command, "session") == 0) return takeoff::cli::RunSession(argc - 2, argv + 2);
    throw takeoff::cli::UsageError(std::string("unknown command: ") + command);
  } catch (const takeoff::cli::UsageError& e) {
    std::cerr << "takeoff-cli: " << e.what() << "\n\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "takeoff-cli: " << e.what() << "\n";
    return 1;
  }
}
