#pragma once

// Command, control and resource numbers of the windows and pictures.
namespace Resource {

// Icons.
constexpr int IDR_MAINFRAME = 128; // the application icon
constexpr int IDI_IDLE = 133;      // tray picture while no connection runs
constexpr int IDI_CONNECTED = 134; // tray picture while a connection runs

// Tray icon identifier.
constexpr int ID_TRAY = 133;

// Controls of the main window.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDC_HISTORY = 3;
constexpr int IDC_STATUS = 1003;

// Commands of the main window's popup menu.
constexpr int ID_APP_EXIT = 32771;
constexpr int ID_ALWAYS_ON_TOP = 32773;
constexpr int ID_TOTAL = 32775;
constexpr int ID_HIDE = 32777;
constexpr int ID_APP_ABOUT = 32779;
constexpr int ID_HISTORY = 32780;
constexpr int ID_PREFERENCES = 32784;
constexpr int ID_HELP = 57670;

// Mouse messages of the tray icon.
constexpr int WM_LBUTTONDOWN = 0x201;
constexpr int WM_LBUTTONDBLCLK = 0x203;
constexpr int WM_RBUTTONUP = 0x205;

} // namespace Resource
