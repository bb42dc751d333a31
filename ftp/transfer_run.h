// What the download and the upload share: the chunk size and the conversion of every
// failure that escapes a transfer into a CFTPException.
#pragma once

#include <functional>

#include "kernel/types.h"

constexpr UINT kTransferChunkSize = 4096;

// Runs `transfer`; a CFTPException passes unchanged, a local-file failure becomes code 6
// naming the file and its cause, anything else code 0.
void RunConvertingFailures(const std::function<void()>& transfer);
