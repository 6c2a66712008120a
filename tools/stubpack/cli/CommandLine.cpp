#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <iostream>
#include <map>

#include "base/PackError.h"
#include "cli/HelpFormatter.h"
#include "cli/InspectCommands.h"
#include "cli/ManPage.h"
#include "cli/PackCommand.h"
#include "driver/StubTag.h"
#include "format/LzmaProperties.h"
#include "inspect/InstallerListing.h"
#include "installer/StubFile.h"
#include "pe/InstallerOptionValues.h"
#include "pack/FolderPlan.h"

namespace {

constexpr int kUsageExit = 2;

// A size such as 4096, 512K, 64M or 1G within [low, high], stored as a number of bytes.
CLI::Validator SizeWithin(uint64_t low, uint64_t high, const std::string& range) {
  return CLI::Validator(
      [=](std::string& text) -> std::string {
        try {
          const uint64_t bytes = ParseSize(text);
          if (bytes < low || bytes > high) return "takes " + range;
          text = std::to_string(bytes);
          return "";
        } catch (const PackError& error) {
          return error.what();
        }
      },
      "");
}

// A check of an option's value: the problem's text, "" when the value is fine. It may put the
// value in its stored form.
CLI::Validator ValueCheck(const std::string& option,
                          std::function<std::string(std::string&)> problem) {
  return CLI::Validator(
      [option, problem](std::string& value) -> std::string {
        const std::string text = problem(value);
        return text.empty() ? "" : option + " " + text;
      },
      "");
}

CLI::Validator OneOf(const std::string& option, const std::string& a, const std::string& b) {
  return ValueCheck(option, [=](std::string& value) {
    return value == a || value == b ? "" : "takes " + a + " or " + b;
  });
}

// How the installer runs, also in the options resource: without a user interface, another
// program, fixed arguments, its caption, what it waits for.
void AddRunOptions(CLI::App& pack, IdentityOptions& identity) {
  struct RunOption {
    const char* name;
    std::string* value;
    const char* type;
    const char* help;
    CLI::Validator check;  // may put the value in its stored form
  };
  const RunOption options[] = {
      {"--ui", &identity.userInterface, "normal|none",
       "normal: the window and message boxes (default); none: neither, for unattended runs (a "
       "failure still exits 1 and goes to OutputDebugString)",
       OneOf("--ui", "normal", "none")},
      {"--run", &identity.runPath, "PATH",
       "the file to run after unpacking, a path inside the tree (default setup.exe); one that "
       "is not a program (an .msi) is opened as the shell opens it",
       ValueCheck("--run", RunPathProblem)},
      {"--args", &identity.arguments, "TEXT",
       "arguments given to it before the installer's own, as written (quote them yourself)",
       ValueCheck("--args", [](std::string& v) { return ArgumentsProblem(v); })},
      {"--title", &identity.title, "TEXT", "the window's caption, UTF-8 (default Unpack)",
       ValueCheck("--title", [](std::string& v) { return TitleProblem(v); })},
      {"--wait", &identity.wait, "setup|all",
       "setup: remove the files when the program ends (default); all: when it and every "
       "process it started have ended",
       OneOf("--wait", "setup", "all")},
  };
  for (const RunOption& option : options) {
    pack.add_option(option.name, *option.value, option.help)
        ->type_name(option.type)
        ->transform(option.check)
        ->group("Installer run (Windows stub)");
  }
}

// The publisher's identity, written into the Windows stub's resources. Values are checked by
// IdentityOptions, whose PackError text becomes the usage error.
void AddIdentityOptions(CLI::App& pack, IdentityOptions& identity) {
  auto checked = [](auto set) {
    return [set](const auto& value) {
      try {
        set(value);
      } catch (const PackError& error) {
        throw CLI::ValidationError(error.what());
      }
    };
  };
  const std::string group = "Installer resources (Windows stub)";
  pack.add_option("--icon", identity.icon,
                  "the installer's icon: every image of the .ico file (PNG ones included)")
      ->type_name("FILE.ico")
      ->group(group);
  pack.add_option_function<std::vector<std::string>>(
          "--version-info",
          checked([&identity](const std::vector<std::string>& values) {
            for (const std::string& v : values) identity.AddVersionInfo(v);
          }),
          "a version string, repeatable (ProductName, ProductVersion, FileVersion, "
          "CompanyName, FileDescription, LegalCopyright, OriginalFilename, ...); FileVersion "
          "and ProductVersion (1.2.3.4) also give the numeric versions")
      ->type_name("KEY=VALUE")
      ->allow_extra_args(false)
      ->group(group);
  pack.add_option_function<std::string>(
          "--execution-level",
          checked([&identity](const std::string& v) { identity.SetExecutionLevel(v); }),
          "the level the manifest asks for (the stub's own: asInvoker)")
      ->type_name("asInvoker|highestAvailable|requireAdministrator")
      ->group(group);
  pack.add_option_function<std::string>(
          "--exit-code", checked([&identity](const std::string& v) { identity.SetExitCode(v); }),
          "zero: exit 0 after unpacking (default); setup: exit with the program's exit code")
      ->type_name("zero|setup")
      ->group(group);
  AddRunOptions(pack, identity);
}

// What check and pack assume of the user's machine, and --strict.
void AddUserMachineOptions(CLI::App& command, bool& strict, uint32_t& tempPathLength) {
  command.add_flag("--strict", strict, "fail (exit 1) on any warning (pack: before writing)");
  command
      .add_option("--temp-path-length", tempPathLength,
                  "length of the user's TEMP path (default 48: C:\\Users\\<20 characters>"
                  "\\AppData\\Local\\Temp); with the stub's \\cabXXXX.tmp\\ an entry's path "
                  "may have 259 - N - 13 characters (198 by default)")
      ->check(CLI::Range(3u, kMaxPathLength - kStubDirectoryLength - 2).description(""))
      ->type_name("N");
}

void AddPackCommand(CLI::App& app, HelpFormatter& usage, PackOptions& options) {
  CLI::App* pack = app.add_subcommand("pack", "Pack a directory into an installer.");
  usage.SetUsage(pack, "usage: stubpack pack [options] SOURCE_DIR -o INSTALLER");
  pack->add_option("SOURCE_DIR", options.source,
                   "directory to pack; setup.exe at its top is run after unpacking")
      ->required()
      ->type_name("");
  pack->add_option("-o,--output", options.output, "installer to write (a regular file)")
      ->required()
      ->type_name("INSTALLER");
  pack->add_option("--stub", options.stub,
                   "stub to build on, or native for the Linux one (default: stub.exe)")
      ->type_name("PATH");
  const std::map<std::string, Bcj2Mode> bcj2 = {
      {"auto", Bcj2Mode::kAuto}, {"on", Bcj2Mode::kOn}, {"off", Bcj2Mode::kOff}};
  pack->add_option("--bcj2", options.bcj2,
                   "x86 branch conversion; auto: for 32-bit x86 PE images (default)")
      ->transform(CLI::CheckedTransformer(bcj2).description(""))
      ->type_name("auto|on|off");
  pack->add_option("--solid-size", options.solidSize, "most data per folder (default 64M)")
      ->transform(SizeWithin(1, ~uint64_t{0}, "a positive size"))
      ->type_name("SIZE");
  pack->add_option("--dict", options.lzma.dictSize, "preferred LZMA dictionary (default 64M)")
      ->transform(SizeWithin(kLzmaMinDictionary, kLzmaMaxDictionary,
                             "a size from " + SizeText(kLzmaMinDictionary) + " to " +
                                 SizeText(kLzmaMaxDictionary)))
      ->type_name("SIZE");
  // Given literal bits replace the x86 main stream's own as well.
  auto literalBits = [&options](const std::string&) { options.literalBitsGiven = true; };
  pack->add_option("--lc", options.lzma.lc, "LZMA literal context bits (default 3)")
      ->check(CLI::Range(0u, kLzmaMaxLcPlusLp).description(""))
      ->each(literalBits)
      ->type_name("N");
  pack->add_option("--lp", options.lzma.lp, "LZMA literal position bits (default 0)")
      ->check(CLI::Range(0u, kLzmaMaxLcPlusLp).description(""))
      ->each(literalBits)
      ->type_name("N");
  pack->add_option("--pb", options.lzma.pb,
                   "LZMA position bits (default 2; 1 for the main stream of x86 code)")
      ->check(CLI::Range(0u, kLzmaMaxPb).description(""))
      ->each(literalBits)
      ->type_name("N");
  const std::map<std::string, lzma_match_finder> finders = {
      {"hc3", LZMA_MF_HC3}, {"hc4", LZMA_MF_HC4}, {"bt2", LZMA_MF_BT2},
      {"bt3", LZMA_MF_BT3}, {"bt4", LZMA_MF_BT4}};
  pack->add_option("--mf", options.lzma.matchFinder, "match finder (default bt4)")
      ->transform(CLI::CheckedTransformer(finders).description(""))
      ->type_name("hc3|hc4|bt2|bt3|bt4");
  pack->add_option("--nice-len", options.lzma.niceLen, "LZMA nice length (default 273)")
      ->check(CLI::Range(2, 273).description(""))
      ->type_name("N");
  pack->add_option("--depth", options.lzma.depth,
                   "match finder depth, 0 automatic (default 0)")
      ->check(CLI::Range(0, 1 << 20).description(""))
      ->type_name("N");
  pack->add_flag_callback(
      "--fast", [&options] { options.lzma.mode = LZMA_MODE_FAST; },
      "LZMA fast mode instead of normal");
  pack->add_flag_callback(
      "--plain-header", [&options] { options.fileListForm = FileListForm::kPlain; },
      "file list uncompressed in the header and BCJ2 branch decisions stored, for other 7z "
      "readers (default: each compressed when smaller, the file list when 1 KiB smaller)");
  pack->add_option("--threads", options.threads,
                   "folders encoded at once (default: one per processor); fewer when memory "
                   "cannot hold them, at most three quarters of the memory available; the "
                   "installer's bytes do not depend on it")
      ->check(CLI::Range(1u, 1024u).description(""))
      ->type_name("N");
  pack->add_flag("-q,--quiet", options.quiet, "no progress bar and no summary line");
  pack->add_flag("--allow-no-setup", options.allowNoSetup,
                 "pack a tree without setup.exe at its top: the installer unpacks and runs "
                 "nothing (refused otherwise)");
  AddUserMachineOptions(*pack, options.strict, options.tempPathLength);
  AddIdentityOptions(*pack, options.identity);
  pack->footer("The default stub is stub.exe beside stubpack, else ../share/stubkit/stub.exe "
               "from stubpack's directory. With SOURCE_DATE_EPOCH set (seconds since 1970), "
               "every entry gets that time, so two packs of one tree are byte-identical.");
}

// A command that reads one installer: its usage line and its INSTALLER argument.
CLI::App* AddInstallerCommand(CLI::App& app, HelpFormatter& usage, const std::string& name,
                              const std::string& description, const std::string& arguments,
                              std::string& installer, const std::string& installerHelp) {
  CLI::App* command = app.add_subcommand(name, description);
  usage.SetUsage(command, "usage: stubpack " + name + " " + arguments);
  command->add_option("INSTALLER", installer, installerHelp)->required()->type_name("");
  return command;
}

void AddInspectCommands(CLI::App& app, HelpFormatter& usage, InspectOptions& options) {
  AddInstallerCommand(app, usage, "list", "List the entries of an installer.",
                      "[--json] INSTALLER", options.installer, "installer to read")
      ->add_flag("--json", options.json, "print JSON instead of a table");
  CLI::App* check =
      AddInstallerCommand(app, usage, "check", "Tell whether the stub will accept an installer.",
                          "[--json] [--strict] [--temp-path-length N] INSTALLER",
                          options.installer, "installer to check");
  check->add_flag("--json", options.json, "print the verdict and figures as JSON");
  AddUserMachineOptions(*check, options.strict, options.tempPathLength);
  AddInstallerCommand(app, usage, "extract",
                      "Unpack an installer as the stub would, without running it.",
                      "INSTALLER DIR", options.installer, "installer to unpack")
      ->add_option("DIR", options.directory, "new or empty directory to unpack into")
      ->required()
      ->type_name("");
  AddInstallerCommand(app, usage, "export",
                      "Write the 7z archive inside an installer to a file of its own.",
                      "INSTALLER -o FILE.7z", options.installer, "installer to read")
      ->add_option("-o,--output", options.output,
                   "archive to write (a regular file), replaced whole; other 7z readers "
                   "open it when the installer was packed with --plain-header")
      ->required()
      ->type_name("FILE.7z");
}

std::string VersionText() {
  std::string text = "stubpack " STUBKIT_VERSION "\n";
  try {
    const StubFile stub = ReadStubFile(StubPath(""));
    text += "stub: " + stub.path + " (Windows stub " + stub.version + ")";
  } catch (const PackError& error) {
    text += std::string("stub: ") + error.what();
  }
  return text;
}

// The subcommand being parsed when parsing stopped, or the tool itself.
const CLI::App* ActiveCommand(const CLI::App& app) {
  for (const CLI::App* command : app.get_subcommands({}))
    if (command->parsed()) return command;
  return &app;
}

// The command of that name, or null.
const CLI::App* CommandNamed(const CLI::App& app, const std::string& name) {
  for (const CLI::App* command : app.get_subcommands({}))
    if (command->get_name() == name) return command;
  return nullptr;
}

// One line on what is wrong, then the usage line of the command it concerns.
int UsageErrorOf(const CLI::App& app, const CLI::App* command, const HelpFormatter& usage,
                 const std::string& problem) {
  const std::string name = command == &app ? "stubpack" : "stubpack " + command->get_name();
  std::cerr << name << ": " << problem << "\n" << usage.Usage(command) << "\n";
  return kUsageExit;
}

// The same, for the command being parsed when parsing stopped.
int UsageError(const CLI::App& app, const HelpFormatter& usage, std::string problem) {
  const CLI::App* command = ActiveCommand(app);
  // CLI11 checks required arguments before it reports unknown ones; the unknown one is the
  // better message.
  const std::vector<std::string> extra = command->remaining();
  if (!extra.empty()) {
    const std::string& arg = extra.front();
    if (arg.size() > 1 && arg[0] == '-') {
      problem = "unknown option " + arg.substr(0, arg.find('='));
    } else {
      problem = (command == &app ? "unknown command " : "unexpected argument ") + arg;
    }
  }
  return UsageErrorOf(app, command, usage, problem);
}

// A word as a shell reads it back: quoted unless it holds only safe characters.
std::string ShellWord(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_not_of(
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-+=./:,@%") ==
      std::string::npos;
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

bool IsToolOption(const std::string& arg) {
  return arg == "-h" || arg == "--help" || arg == "-V" || arg == "--version";
}

// "stubpack -o x.exe pack t2": an option of a command given before the command. The parser
// would pass it over and then miss it; the user is told where it goes, with the command line
// in that order.
struct MisplacedOption {
  const CLI::App* command = nullptr;  // null when there is no such option
  std::string problem;
};

MisplacedOption FindMisplacedOption(const CLI::App& app, int argc, char** argv) {
  std::string option;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") return {};
    const CLI::App* command = CommandNamed(app, arg);
    if (command == nullptr) {
      if (option.empty() && arg.size() > 1 && arg[0] == '-' && !IsToolOption(arg))
        option = arg.substr(0, arg.find('='));
      continue;
    }
    if (option.empty() || command->get_option_no_throw(option) == nullptr) return {};
    std::string reordered = "stubpack " + arg;
    for (int j = 1; j < argc; ++j)
      if (j != i) reordered += " " + ShellWord(argv[j]);
    return {command, option + " belongs after the command: " + reordered};
  }
  return {};
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  CLI::App app("Packs a directory into a self-extracting installer; lists, checks and extracts "
               "installers with the stub's own code, and exports their archives.",
               "stubpack");
  auto usage = std::make_shared<HelpFormatter>();
  usage->column_width(30);
  usage->label("Subcommands", "Commands");
  usage->label("Positionals", "Arguments");
  app.formatter(usage);
  usage->SetUsage(&app,
                  "usage: stubpack [--version] COMMAND ...  "
                  "(pack|list|check|extract|export|help)");
  // As in most tools, an option given twice takes its last value.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_version_flag("-V,--version", VersionText, "print stubpack's version and its stub's");
  app.set_help_flag("-h,--help", "print this help and exit");
  app.footer("Exit codes: 0 done, 1 the stub would refuse the installer (or --strict met a "
             "warning), 2 bad usage or an I/O failure. Run stubpack COMMAND --help for the "
             "options of a command.");

  PackOptions pack;
  InspectOptions inspect;
  std::string topic;
  AddPackCommand(app, *usage, pack);
  AddInspectCommands(app, *usage, inspect);
  CLI::App* help = app.add_subcommand("help", "Show the help of stubpack or of a command.");
  for (CLI::App* command : app.get_subcommands({})) command->group("Commands");
  usage->SetUsage(help, "usage: stubpack help [COMMAND]");
  help->add_option("COMMAND", topic, "command to explain")->type_name("");
  // Read here rather than by the parser, which would take "help pack" as a second command.
  // "help --help" explains help itself; "help pack --help" is "help pack".
  if (argc >= 2 && std::string(argv[1]) == "help") {
    std::vector<std::string> topics;
    for (int i = 2; i < argc; ++i)
      if (std::string(argv[i]) != "-h" && std::string(argv[i]) != "--help")
        topics.push_back(argv[i]);
    if (topics.size() > 1)
      return UsageErrorOf(app, help, *usage, "unexpected argument " + topics[1]);
    const CLI::App* shown = argc > 2 ? help : &app;
    if (!topics.empty()) {
      shown = CommandNamed(app, topics[0]);
      if (shown == nullptr) return UsageErrorOf(app, help, *usage, "no command " + topics[0]);
    }
    std::cout << shown->help();
    return 0;
  }
  // The build writes the man page with this; it is not an option users need.
  if (argc == 2 && std::string(argv[1]) == "--man-page") {
    std::cout << ManPage(app, *usage);
    return 0;
  }
  const MisplacedOption misplaced = FindMisplacedOption(app, argc, argv);
  if (misplaced.command != nullptr)
    return UsageErrorOf(app, misplaced.command, *usage, misplaced.problem);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForVersion& version) {
    std::cout << version.what() << "\n";
    return 0;
  } catch (const CLI::Success&) {
    std::cout << ActiveCommand(app)->help();
    return 0;
  } catch (const CLI::ParseError& error) {
    return UsageError(app, *usage, error.what());
  }

  const CLI::App* command = ActiveCommand(app);
  const std::string name = command->get_name();
  try {
    if (name == "pack") {
      // liblzma's LZMA1 encoder, like the stub's decoder, takes lc + lp up to 4.
      const FailureReason problem = LzmaPropertiesProblem(
          {pack.lzma.lc, pack.lzma.lp, pack.lzma.pb, pack.lzma.dictSize});
      if (problem == FailureReason::LzmaLcLpAbove4) {
        return UsageError(app, *usage,
                          "--lc plus --lp must be at most " + std::to_string(kLzmaMaxLcPlusLp));
      }
      while (pack.source.size() > 1 && pack.source.back() == '/') pack.source.pop_back();
      return RunPack(pack, std::cout, std::cerr);
    }
    if (name == "list") return RunList(inspect, std::cout, std::cerr);
    if (name == "check") return RunCheck(inspect, std::cout, std::cerr);
    if (name == "extract") return RunExtract(inspect, std::cout, std::cerr);
    if (name == "export") return RunExport(inspect, std::cout, std::cerr);
    return UsageError(app, *usage, "no command given");
  } catch (const PackError& error) {
    std::cerr << "stubpack: error: " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    // Exit 1 means "the stub would refuse this installer"; anything that went wrong in
    // stubpack itself (memory, a file it could not make) is no verdict on the installer.
    std::cerr << "stubpack: internal error: " << error.what() << "\n";
    return 2;
  }
}
