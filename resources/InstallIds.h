#pragma once
// Resource identifiers of install.exe.
#define IDD_INSTALL 102
#define IDI_INSTALL 128
