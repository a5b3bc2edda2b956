#pragma once
// What the saver relies on of the Shockwave Flash control: its class, its
// event interface and the dispatch ids of the few members it calls. Both the
// installed control and our built-in player answer these.
#include <windows.h>
#include <oaidl.h>

namespace glint::flash::win32 {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}, the ShockwaveFlash.ShockwaveFlash class.
inline constexpr CLSID kFlashClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}, the control's event dispinterface.
inline constexpr IID kFlashEventsId = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr char kFlashClassIdText[] = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";

enum FlashDispId : DISPID {
    kDispMovie = 0x66,       // property put: text
    kDispFrameNum = 0x6B,    // property get: 32-bit integer, 0-based
    kDispPlay = 0x70,        // method
    kDispRewind = 0x74,      // method
    kDispTotalFrames = 0x7C, // property get: 32-bit integer
    kDispPlaying = 0x7D,     // property get: boolean
    kDispScale = 0x89,       // property put: "ShowAll" or "NoScale"
    kDispFSCommand = 0x96,   // event: command, arguments
};

} // namespace glint::flash::win32
