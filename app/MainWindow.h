#pragma once
// MainWindow: the start-up window with the capture button, the clear button,
// the DPI check box, the picture box of the last capture and the log box;
// and the operations the capture command uses on them.
#include <windows.h>

#include <string>

#include "platform/ByteBuffer.h"

// The window and its controls, by their form names.
extern HWND mainWindow;        // MainWindow
extern HWND drawingGroup;      // 分组框1 ("画板")
extern HWND submittedPicture;  // 图片框_提交
extern HWND actionGroup;       // 分组框2 ("操作")
extern HWND captureButton;     // 按钮1 ("截屏(F10)")
extern HWND clearButton;       // 按钮_清空 ("清空(F11)")
extern HWND dpiCheckBox;       // 选择框1 ("禁用DPI缩放")
extern HWND resultGroup;       // 分组框3 ("结果")
extern HWND logBox;            // 编辑框_log

// Loads MainWindow as the start-up window (visible, centred on the primary
// screen) and returns it.
HWND LoadMainWindow();

// Clicked event of 选择框1: ticking makes the process DPI-aware and fixes
// the frame; unticking does nothing.
void OnDpiCheckBoxClicked();
// Clicked event of 按钮_清空: does nothing.
void OnClearButtonClicked();
// Created event of MainWindow: does nothing.
void OnMainWindowCreated();

void HideMainWindow();
void ShowMainWindow();
// The picture of 图片框_提交: set (the bytes are moved in), read back as a
// copy, or lent (valid until the next set).
void SetSubmittedPicture(ByteBuffer imageBytes);
ByteBuffer GetSubmittedPicture();
const ByteBuffer& SubmittedPictureBytes();
void SetSubmittedDisplayMode(int mode);
// Appends the text at the end of 编辑框_log, wherever its caret is.
void AppendToLog(const std::wstring& text);
// 1 when 选择框1 is ticked, otherwise 0.
int IsDpiBoxTicked();
