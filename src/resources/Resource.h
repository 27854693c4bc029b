#pragma once

// Command, control and resource numbers of the windows and pictures.
namespace Resource {

// Icons.
constexpr int IDR_MAINFRAME = 128; // the application icon
constexpr int IDI_IDLE = 133;      // tray picture while no connection runs
constexpr int IDI_CONNECTED = 134; // tray picture while a connection runs

// Tray icon identifier.
constexpr int ID_TRAY = 133;

} // namespace Resource
