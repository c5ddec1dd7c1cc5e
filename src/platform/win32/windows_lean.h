// <windows.h> without the A/W switch macros that collide with the seam's
// method names (GetVersionEx, CopyFile, MessageBox, ...). Backend code calls
// the A functions by their full names.
#pragma once
#include <windows.h>
#include <winspool.h>
#include <shellapi.h>

#undef GetVersionEx
#undef GetSystemDirectory
#undef GetTempPath
#undef OutputDebugString
#undef CopyFile
#undef DeleteFile
#undef CreateDirectory
#undef RemoveDirectory
#undef GetFullPathName
#undef GetCurrentDirectory
#undef CreateProcess
#undef ShellExecute
#undef GetDefaultPrinter
#undef SetDefaultPrinter
#undef DeletePrinterDriver
#undef DeletePrinterDriverEx
#undef EnumPrinters
#undef EnumPorts
#undef EnumJobs
#undef OpenPrinter
#undef GetPrinter
#undef SetPrinter
#undef AddPrinter
#undef MessageBox
#undef LoadBitmap
#undef GetObject
#undef FindText
#undef DrawText
#undef GetMessage
#undef PostMessage
#undef SendMessage
#undef CreateWindow
#undef ReadFile
#undef WriteFile
#undef Yield
