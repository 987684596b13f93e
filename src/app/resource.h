// Resource identifiers of Tarnwick.exe, shared by the resource script and the code.
#pragma once

// String table: the hidden window's title and its class name, both "Tarnwick".
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109

// Icon groups of the window class: large and small.
#define IDI_TARNWICK 107
#define IDI_SMALL 108
