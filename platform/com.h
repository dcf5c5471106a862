// Owning, move-only holders for COM interface pointers, BSTR and VARIANT, and ComError, the
// exception that carries a failing HRESULT with the object's error information.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <exception>
#include <utility>

template <typename Interface>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(Interface* pointer) noexcept : pointer_(pointer) {}
    ~ComPtr() { Reset(); }

    ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // For functions that return an interface through a pointer; releases what is held first.
    Interface** Receive() noexcept
    {
        Reset();
        return &pointer_;
    }
    void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }
    void Attach(Interface* pointer) noexcept { Reset(pointer); }
    Interface* Detach() noexcept { return std::exchange(pointer_, nullptr); }
    void Reset(Interface* pointer = nullptr) noexcept
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = pointer;
    }

private:
    Interface* pointer_ = nullptr;
};

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(BSTR text) noexcept : text_(text) {}
    ~Bstr() { Reset(); }

    Bstr(Bstr&& other) noexcept : text_(other.Detach()) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const noexcept { return text_; }
    // Characters, not counting the terminator; 0 for a null BSTR.
    UINT Length() const noexcept { return SysStringLen(text_); }
    BSTR* Receive() noexcept
    {
        Reset();
        return &text_;
    }
    BSTR Detach() noexcept { return std::exchange(text_, nullptr); }
    void Reset(BSTR text = nullptr) noexcept
    {
        if (text_)
            SysFreeString(text_);
        text_ = text;
    }

private:
    BSTR text_ = nullptr;
};

class Variant {
public:
    Variant() noexcept { VariantInit(&value_); }
    // Takes over the string.
    explicit Variant(Bstr text) noexcept
    {
        VariantInit(&value_);
        V_VT(&value_) = VT_BSTR;
        V_BSTR(&value_) = text.Detach();
    }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    const VARIANT& Get() const noexcept { return value_; }
    VARTYPE Type() const noexcept { return V_VT(&value_); }
    // The string of a VT_BSTR variant; null for any other type.
    BSTR String() const noexcept { return V_VT(&value_) == VT_BSTR ? V_BSTR(&value_) : nullptr; }
    // For functions that return a variant through a pointer; clears what is held first
    // (ComError when that fails).
    VARIANT* Receive();
    // Converts in place to a string; ComError when the value has no string form.
    void ChangeToString();

private:
    VARIANT value_;
};

class ComError : public std::exception {
public:
    explicit ComError(HRESULT code, ComPtr<IErrorInfo> info = ComPtr<IErrorInfo>()) noexcept;
    ComError(ComError&& other) noexcept = default;
    ComError(const ComError& other) noexcept;
    ComError& operator=(const ComError&) = delete;

    HRESULT Code() const noexcept { return code_; }
    // The error-information object of the failing call, or null.
    IErrorInfo* Info() const noexcept { return info_.Get(); }
    const char* what() const noexcept override { return "COM call failed"; }

private:
    HRESULT code_;
    ComPtr<IErrorInfo> info_;
};

// Raises ComError for a failure code. When object reports through ISupportErrorInfo that it
// supports error information for iid, the thread's current error-information object goes with it.
void ThrowIfFailed(HRESULT code);
void ThrowIfFailed(HRESULT code, IUnknown* object, REFIID iid);

// Queries object for Interface. E_NOINTERFACE gives a null pointer; any other failure raises.
template <typename Interface>
ComPtr<Interface> QueryInterfaceOrNull(IUnknown* object, REFIID iid)
{
    ComPtr<Interface> result;
    if (!object)
        throw ComError(E_POINTER);
    const HRESULT code = object->QueryInterface(iid, result.ReceiveVoid());
    if (code != E_NOINTERFACE)
        ThrowIfFailed(code, object, IID_IUnknown);
    return result;
}
