#pragma once
// The texts the application shows in its window and on its console and puts into errors and
// answers, each written once for the Qt window, the Win32 window and the headless controller.
// They are behaviour: operators and clients see them byte for byte. Templates are filled by
// FormatMessage.
namespace quillara {

// The state label.
inline constexpr char kLabelRunning[] = "Server in funzione";
inline constexpr char kLabelStopped[] = "Server non in funzione";

// The window's captions and its tray menu.
inline constexpr char kCaptionState[] = "Stato:";
inline constexpr char kCaptionAddress[] = "Ip:";
inline constexpr char kCaptionPort[] = "Porta:";
inline constexpr char kCaptionStart[] = "Avvia";
inline constexpr char kCaptionStop[] = "Arresta";
inline constexpr char kCaptionTerminate[] = "Termina";
inline constexpr char kCaptionMinimize[] = "Riduci a icona";
inline constexpr char kMenuOpen[] = "Apri";
inline constexpr char kMenuExit[] = "Esci";
inline constexpr char kTrayTip[] = "Quillara";

// The headless controller: what it prints at start (the address, then the port text), the
// commands it reads (the buttons' captions in lower case) and its answer to any other line.
inline constexpr char kConsoleAddressAndPort[] = "Ip: %s\nPorta: %s";
inline constexpr char kCommandStart[] = "avvia";
inline constexpr char kCommandStop[] = "arresta";
inline constexpr char kCommandTerminate[] = "termina";
inline constexpr char kUnknownCommand[] = "Comando sconosciuto: %s";

// The command line.
inline constexpr char kUsage[] =
    "usage: quillara [--headless] [--port TEXT] [--access-log FILE] [--limit NAME=VALUE]...\n"
    "  --headless         run without the control window (also the case without a display)\n"
    "  --port TEXT        the port to listen on, read like the window's port field (default "
    "12388)\n"
    "  --access-log FILE  append the access log to FILE (default: standard output when headless)\n"
    "  --limit NAME=VALUE idle-timeout, send-timeout or session-timeout=SECONDS, "
    "max-connections=N\n"
    "  --help             print this help and exit\n"
    "  --version          print the program's name and version and exit\n";
inline constexpr char kVersionLine[] = "quillara %s\n";

// A registry value of a type other than text; the value's name inserted.
inline constexpr char kInvalidDataType[] = "Invalid data type for '%s'";

// The invoker page's link to the server functions, for local callers; the script name inserted.
inline constexpr char kServerFunctionsLink[] =
    "<div><a href=\"%s/ServerFunctionInvoker\" target=\"_blank\">Server Functions</a></div>";

}  // namespace quillara
