// Tokens, thread impersonation and user names of the stand-in layer.
#include "cvplatform/Security.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <string>

#include "TokenHandles.h"
#include "cvplatform/ErrorHandling.h"
#include "cvplatform/FileSystem.h"

namespace {
using WideText = std::basic_string<WCHAR>;

// A token object is shared by every handle opened on it and by the thread that impersonates
// with it, as on Windows; it goes when the last of them lets go.
struct Token {
    WideText samCompatibleName;
    std::atomic<int> references{1};
};

struct TokenHandle {
    static constexpr std::uint32_t kTag = 0x544F4B4E;  // "TOKN"
    std::uint32_t tag = kTag;
    Token* token = nullptr;
};

HANDLE const kCurrentThread = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-2));

thread_local Token* threadToken = nullptr;

void Release(Token* token) {
    if (token != nullptr && token->references.fetch_sub(1) == 1) {
        delete token;
    }
}

TokenHandle* TokenOf(HANDLE handle) {
    auto* token = static_cast<TokenHandle*>(handle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || handle == kCurrentThread ||
        token->tag != TokenHandle::kTag) {
        return nullptr;
    }
    return token;
}

HANDLE NewHandle(Token* token) {
    auto* handle = new TokenHandle;
    handle->token = token;
    return handle;
}

WideText WideOf(const std::string& text) {
    return WideText(text.begin(), text.end());
}

// The account the process runs under, written as a local account of this machine.
WideText ProcessUserName() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string machine(host, std::strcspn(host, "."));
    std::transform(machine.begin(), machine.end(), machine.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const passwd* account = getpwuid(geteuid());
    const std::string login =
        account != nullptr ? account->pw_name : std::to_string(static_cast<unsigned>(geteuid()));
    return WideOf(machine) + u'\\' + WideOf(login);
}
}  // namespace

bool CloseTokenHandle(HANDLE handle) {
    TokenHandle* token = TokenOf(handle);
    if (token == nullptr) {
        return false;
    }
    Release(token->token);
    token->tag = 0;
    delete token;
    return true;
}

HANDLE CvCreateUserToken(LPCWSTR samCompatibleName) {
    auto* token = new Token;
    token->samCompatibleName =
        samCompatibleName != nullptr ? WideText(samCompatibleName) : WideText();
    return NewHandle(token);
}

HANDLE GetCurrentThread() {
    return kCurrentThread;
}

BOOL SetThreadToken(PHANDLE Thread, HANDLE Token) {
    if (Thread != nullptr && *Thread != kCurrentThread) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    TokenHandle* handle = TokenOf(Token);
    if (Token != nullptr && handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (handle != nullptr) {
        handle->token->references.fetch_add(1);
    }
    Release(threadToken);
    threadToken = handle != nullptr ? handle->token : nullptr;
    return TRUE;
}

BOOL OpenThreadToken(HANDLE ThreadHandle, DWORD, BOOL, PHANDLE TokenHandle) {
    if (TokenHandle == nullptr || ThreadHandle != kCurrentThread) {
        SetLastError(TokenHandle == nullptr ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    *TokenHandle = nullptr;
    if (threadToken == nullptr) {
        SetLastError(ERROR_NO_TOKEN);
        return FALSE;
    }
    threadToken->references.fetch_add(1);
    *TokenHandle = NewHandle(threadToken);
    return TRUE;
}

BOOL GetUserNameExW(EXTENDED_NAME_FORMAT NameFormat, LPWSTR lpNameBuffer, PULONG nSize) {
    if (nSize == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (NameFormat != NameSamCompatible) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    const WideText name =
        threadToken != nullptr ? threadToken->samCompatibleName : ProcessUserName();
    if (lpNameBuffer == nullptr || *nSize < name.size() + 1) {
        *nSize = static_cast<ULONG>(name.size() + 1);
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::copy(name.begin(), name.end(), lpNameBuffer);
    lpNameBuffer[name.size()] = 0;
    *nSize = static_cast<ULONG>(name.size());
    return TRUE;
}
