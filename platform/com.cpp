#include "platform/com.h"

VARIANT* Variant::Receive()
{
    ThrowIfFailed(VariantClear(&value_));
    return &value_;
}

void Variant::ChangeToString()
{
    if (V_VT(&value_) == VT_BSTR)
        return;
    ThrowIfFailed(VariantChangeType(&value_, &value_, 0, VT_BSTR));
}

ComError::ComError(HRESULT code, ComPtr<IErrorInfo> info) noexcept : code_(code), info_(std::move(info)) {}

ComError::ComError(const ComError& other) noexcept : std::exception(other), code_(other.code_)
{
    if (other.info_) {
        other.info_->AddRef();
        info_.Attach(other.info_.Get());
    }
}

void ThrowIfFailed(HRESULT code)
{
    if (FAILED(code))
        throw ComError(code);
}

void ThrowIfFailed(HRESULT code, IUnknown* object, REFIID iid)
{
    if (SUCCEEDED(code))
        return;
    ComPtr<IErrorInfo> info;
    ComPtr<ISupportErrorInfo> support;
    if (object && SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.ReceiveVoid())) && support &&
        support->InterfaceSupportsErrorInfo(iid) == S_OK) {
        // Any failure of GetErrorInfo leaves the report without an error-information object.
        if (GetErrorInfo(0, info.Receive()) != S_OK)
            info.Reset();
    }
    throw ComError(code, std::move(info));
}
