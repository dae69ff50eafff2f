// Message formatting of the program: the checked printf-style formatter of the InternalCorvoCP
// namespace (formatWorker over FormatStringBuffer<1024>) and the message builders that the
// operation's raise sites use (buildErrorMessage, formatMessage).
#pragma once

#include "ErrorMessages.h"
#include "FormatStringBuffer.h"
#include "FormatWorker.h"
#include "IFormatStringStreamDestination.h"
#include "TemporaryFormatStringBufferStream.h"
