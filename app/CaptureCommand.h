#pragma once
// The capture-and-recognise command: the capture button's handler, from the
// hidden main window through the overlay, the clipboard, the saved image and
// the recogniser back to the main window with the text in its log.
#include <functional>
#include <string>

#include "platform/ByteBuffer.h"

// Clicked event of 按钮1 ("截屏(F10)").
void OnCaptureButtonClicked();

// The clipboard's bitmap as BMP file bytes; the 58-byte header-only file when
// the clipboard holds no bitmap or stays held by another program.
ByteBuffer ReadClipboardImage();

// Runs the recogniser on the saved image, appends its text to the log and
// shows MainWindow. Always 1.
int RecognizeSavedImage();

// The image file in the run directory: runDirectory + "\识别图片.jpg".
std::wstring ImagePathIn(const std::wstring& runDirectory);

// The recogniser's command line, UTF-16LE with terminator:
// Windows.Media.Ocr.Cli "<runDirectory>\识别图片.jpg"
ByteBuffer RecognizerCommandWide(const std::wstring& runDirectory);

// What the log gets for the recogniser's output (bytes in the ANSI code
// page): the text and "\r\n", or nothing for an empty output.
std::wstring LogTextFromOutput(const std::string& output);

// Display mode of the picture box for an image of this width: 1 (stretched)
// when the width or, measured only when the width is below 300, the height
// reaches 300 pixels; 2 (centred) otherwise.
int ChooseDisplayMode(int width, const std::function<int()>& measureHeight);
