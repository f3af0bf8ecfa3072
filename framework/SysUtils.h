// Exceptions, checked formatting, conversions, and file and path routines.
#pragma once
#include "framework/Win.h"
#include <cstdint>
#include <exception>
#include <string>

// The base of every error the program raises. The message is what the error box shows.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }
private:
    std::string message_;
};

#define VELMORA_EXCEPTION(Name, Base) \
    class Name : public Base { public: using Base::Base; }

VELMORA_EXCEPTION(EConvertError, Exception);
VELMORA_EXCEPTION(EAbort, Exception);
VELMORA_EXCEPTION(EInvalidOperation, Exception);
VELMORA_EXCEPTION(EInvalidPointer, Exception);
VELMORA_EXCEPTION(EListError, Exception);
VELMORA_EXCEPTION(EStreamError, Exception);
VELMORA_EXCEPTION(EFCreateError, EStreamError);
VELMORA_EXCEPTION(EFOpenError, EStreamError);
VELMORA_EXCEPTION(EReadError, EStreamError);
VELMORA_EXCEPTION(EClassNotFound, Exception);
VELMORA_EXCEPTION(EComponentError, Exception);
VELMORA_EXCEPTION(EPropertyError, Exception);
VELMORA_EXCEPTION(EInvalidGraphic, Exception);
VELMORA_EXCEPTION(EOutOfResources, Exception);
VELMORA_EXCEPTION(EInOutError, Exception);
VELMORA_EXCEPTION(ERegistryException, Exception);
VELMORA_EXCEPTION(EIniFileException, Exception);
VELMORA_EXCEPTION(EPrinter, Exception);
VELMORA_EXCEPTION(EOleError, Exception);
VELMORA_EXCEPTION(EThread, Exception);

// A failed operating-system call; ErrorCode is the Win32 error.
class EOSError : public Exception {
public:
    EOSError(std::string message, DWORD errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    DWORD ErrorCode;
};

// A failed COM call; ErrorCode is the HRESULT.
class EOleSysError : public EOleError {
public:
    EOleSysError(std::string message, HRESULT errorCode) : EOleError(std::move(message)), ErrorCode(errorCode) {}
    HRESULT ErrorCode;
};
