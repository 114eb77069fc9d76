#include "automation/error.h"

#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "automation/text.h"

namespace brisko {

std::wstring StandardDescription(std::int32_t number) {
    switch (number) {
        case 3: return L"Return without GoSub";
        case 5: return L"Invalid procedure call or argument";
        case 6: return L"Overflow";
        case 7: return L"Out of memory";
        case 9: return L"Subscript out of range";
        case 11: return L"Division by zero";
        case 13: return L"Type mismatch";
        case 51: return L"Internal error";
        case 52: return L"Bad file name or number";
        case 53: return L"File not found";
        case 91: return L"Object variable or With block variable not set";
        case 94: return L"Invalid use of Null";
        case 424: return L"Object required";
        case 429: return L"ActiveX component can't create object";
        case 438: return L"Object doesn't support this property or method";
        case 440: return L"Automation error";
        case 448: return L"Named argument not found";
        case 450: return L"Wrong number of arguments or invalid property assignment";
        case 453: return L"Specified DLL function not found";
        case 457: return L"This key is already associated with an element of this collection";
        case 459: return L"Object or class does not support the set of events";
        default: return {};
    }
}

RuntimeError::RuntimeError(std::int32_t number, std::wstring description, std::wstring source)
    : number_(number),
      description_(description.empty() ? StandardDescription(number) : std::move(description)),
      source_(std::move(source)) {
    what_ = "Run-time error " + std::to_string(number_) + ": " + ToUtf8(description_);
}

void Raise(std::int32_t number, std::wstring description, std::wstring source) {
    throw RuntimeError(number, std::move(description), std::move(source));
}

RuntimeError CurrentError() noexcept {
    try {
        try {
            throw;
        } catch (const RuntimeError& e) {
            return e;
        } catch (const std::bad_alloc&) {
            return RuntimeError(err::OutOfMemory);
        } catch (const std::exception& e) {
            return RuntimeError(err::InternalError, L"Internal error: " + FromUtf8(e.what()));
        } catch (...) {
            return RuntimeError(err::InternalError);
        }
    } catch (...) {
        // Building the error itself failed (out of memory): report the bare number.
        return RuntimeError(err::OutOfMemory, L"Out of memory");
    }
}

void ErrObject::Clear() noexcept {
    Number = 0;
    Description.clear();
    Source.clear();
    Line = 0;
}

void ErrObject::Set(const RuntimeError& e, std::int32_t line) {
    Number = e.number();
    Description = e.description();
    Source = e.source();
    Line = line;
}

namespace {

// Each thread's Err object, owned by one list for the process and freed when the library is.
ErrObject* NewThreadErr() noexcept {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<ErrObject>> objects;
    static ErrObject fallback;
    try {
        const std::lock_guard lock(mutex);
        objects.push_back(std::make_unique<ErrObject>());
        return objects.back().get();
    } catch (...) {
        return &fallback;
    }
}

}  // namespace

ErrObject& Err() noexcept {
    // A thread_local with a destructor would keep a DLL built with MinGW loaded until the
    // thread ends; a plain pointer does not.
    thread_local ErrObject* err = nullptr;
    if (!err) err = NewThreadErr();
    return *err;
}

}  // namespace brisko
