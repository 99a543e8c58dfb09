#pragma once
// Comma fields of modem reply lines, the wait notice and left padding.
#include <memory>
#include <string>

#include "platform/Ui.h"

// Field := the N-th comma-separated field of Text (from 1). A line end (CR,
// LF) that closes Text is not part of its last field. With N 0 or an empty
// Text, Field keeps what the caller had in it.
void GetField(const std::string& Text, int N, std::string& Field);
// The N-th field as an integer; an empty field gives 0, a field that is not a
// number raises EConvertError.
int GetFieldInt(const std::string& Text, int N);
// Shows a notice without buttons until the returned object is destroyed.
std::unique_ptr<ui::Notice> ShowWaitMessage(const std::string& Message);
// Result := Text with FillChar put in front up to Width characters; longer texts stay whole.
void PadLeft(const std::string& Text, char FillChar, int Width, std::string& Result);
