// ComError and the COM holders, with the DOM document of Wine's msxml3 as the real object.
#include <windows.h>
#include <msxml2.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "platform/com.h"

namespace {
const CLSID kDomDocumentClass = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

ComPtr<IUnknown> CreateDocument()
{
    ComPtr<IUnknown> document;
    EXPECT_EQ(S_OK, CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     document.ReceiveVoid()));
    return document;
}

// Makes an error-information object with this description current for the thread.
void SetThreadError(const wchar_t* description)
{
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.Receive()));
    create->SetDescription(const_cast<LPOLESTR>(description));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, create->QueryInterface(IID_IErrorInfo, info.ReceiveVoid()));
    ASSERT_EQ(S_OK, SetErrorInfo(0, info.Get()));
}

ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

HRESULT Raised(HRESULT code, IUnknown* object, REFIID iid, Bstr* description)
{
    try {
        ThrowIfFailed(code, object, iid);
    } catch (const ComError& error) {
        if (description && error.Info())
            error.Info()->GetDescription(description->Receive());
        return error.Code();
    }
    return S_OK;
}

TEST(ComError, CarriesErrorInfoOnlyForInterfacesTheObjectReportsOn)
{
    ComPtr<IUnknown> document = CreateDocument();
    ASSERT_TRUE(document);
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(S_OK, document->QueryInterface(IID_ISupportErrorInfo, support.ReceiveVoid()));
    ASSERT_EQ(S_OK, support->InterfaceSupportsErrorInfo(kDomDocumentInterface));

    SetThreadError(L"document said no");
    Bstr description;
    EXPECT_EQ(E_FAIL, Raised(E_FAIL, document.Get(), kDomDocumentInterface, &description));
    ASSERT_NE(nullptr, description.Get());
    EXPECT_STREQ(L"document said no", description.Get());

    SetThreadError(L"not for this interface");
    Bstr none;
    EXPECT_EQ(E_ACCESSDENIED, Raised(E_ACCESSDENIED, document.Get(), IID_IPersist, &none));
    EXPECT_EQ(nullptr, none.Get());
    SetErrorInfo(0, nullptr);
}

TEST(ComError, SuccessCodesRaiseNothing)
{
    ComPtr<IUnknown> document = CreateDocument();
    EXPECT_EQ(S_OK, Raised(S_FALSE, document.Get(), kDomDocumentInterface, nullptr));
    EXPECT_EQ(S_OK, Raised(S_OK, nullptr, kDomDocumentInterface, nullptr));
    EXPECT_EQ(E_POINTER, Raised(E_POINTER, nullptr, kDomDocumentInterface, nullptr));
}

TEST(ComError, CopiesShareTheErrorInfoAndReleaseIt)
{
    SetThreadError(L"shared");
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.Receive()));
    const ULONG before = References(info.Get());
    {
        info->AddRef();
        ComError original(E_FAIL, ComPtr<IErrorInfo>(info.Get()));
        ComError copy(original);  // NOLINT(performance-unnecessary-copy-initialization): the copy is under test
        EXPECT_EQ(info.Get(), copy.Info());
        EXPECT_EQ(before + 2, References(info.Get()));
    }
    EXPECT_EQ(before, References(info.Get()));
}

TEST(ComHolders, QueryInterfaceOrNullSeparatesNoInterfaceFromFailure)
{
    ComPtr<IUnknown> document = CreateDocument();
    const ULONG before = References(document.Get());
    {
        ComPtr<IXMLDOMDocument> asDocument = QueryInterfaceOrNull<IXMLDOMDocument>(document.Get(), kDomDocumentInterface);
        EXPECT_TRUE(asDocument);
        EXPECT_EQ(before + 1, References(document.Get()));
        ComPtr<IClassFactory> none = QueryInterfaceOrNull<IClassFactory>(document.Get(), IID_IClassFactory);
        EXPECT_FALSE(none);
    }
    EXPECT_EQ(before, References(document.Get()));
    EXPECT_THROW(QueryInterfaceOrNull<IXMLDOMDocument>(nullptr, kDomDocumentInterface), ComError);
}

TEST(ComHolders, VariantConvertsToStringOrRaises)
{
    Variant number;
    VARIANT* raw = number.Receive();
    V_VT(raw) = VT_I4;
    V_I4(raw) = -42;
    number.ChangeToString();
    ASSERT_EQ(VT_BSTR, number.Type());
    EXPECT_STREQ(L"-42", number.String());

    Variant object;
    raw = object.Receive();
    V_VT(raw) = VT_UNKNOWN;
    V_UNKNOWN(raw) = CreateDocument().Detach();
    try {
        object.ChangeToString();
        ADD_FAILURE() << "an object without a value converted to " << object.Type();
    } catch (const ComError& error) {
        EXPECT_TRUE(FAILED(error.Code()));
    }
}
}  // namespace
