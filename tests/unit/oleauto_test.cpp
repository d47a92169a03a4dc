// OLE Automation as clients see it: BSTR, VARIANT, SAFEARRAY and DATE. The same expectations run
// against our POSIX layer and against the system's oleaut32 on Windows.
#include "platform/bstr.h"
#include "platform/variant.h"
#include "support/times.h"
#include "vetrel/com.h"

#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <thread>

namespace {

using Text = std::basic_string<OLECHAR>;
using vetrel::test::systemTime;
using TextView = std::basic_string_view<OLECHAR>;

Text wide(std::string_view ascii)
{
    return Text(ascii.begin(), ascii.end());
}

TextView textOf(BSTR bstr)
{
    return {bstr, SysStringLen(bstr)};
}

// An object that counts its references, to see who holds one.
struct Counted : IUnknown
{
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

VARIANT bstrVariant(std::string_view ascii)
{
    Text text = wide(ascii);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

SAFEARRAY* bstrVector(std::initializer_list<std::string_view> items)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size()));
    LONG index = 0;
    for (std::string_view item : items) {
        Text text = wide(item);
        BSTR bstr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        EXPECT_EQ(SafeArrayPutElement(psa, &index, bstr), S_OK);
        SysFreeString(bstr);
        ++index;
    }
    return psa;
}

BSTR bstrAt(SAFEARRAY* psa, LONG index)
{
    void* cell = nullptr;
    EXPECT_EQ(SafeArrayPtrOfIndex(psa, &index, &cell), S_OK);
    return cell ? *static_cast<BSTR*>(cell) : nullptr;
}

TEST(OleautoLayout, MatchesWindowsX64)
{
    EXPECT_EQ(sizeof(VARIANT), 24u);
    EXPECT_EQ(offsetof(VARIANT, vt), 0u);
    EXPECT_EQ(offsetof(VARIANT, wReserved3), 6u);
    EXPECT_EQ(offsetof(VARIANT, llVal), 8u);
    EXPECT_EQ(offsetof(VARIANT, pRecInfo), 16u);
    EXPECT_EQ(offsetof(VARIANT, decVal), 0u);
    EXPECT_EQ(sizeof(SAFEARRAY), 32u);
    EXPECT_EQ(offsetof(SAFEARRAY, pvData), 16u);
    EXPECT_EQ(sizeof(DECIMAL), 16u);
    EXPECT_EQ(offsetof(DECIMAL, Lo64), 8u);
    EXPECT_EQ(sizeof(VARIANT_BOOL), 2u);
    EXPECT_EQ(VARIANT_TRUE, -1);

    // Values core code and clients exchange: a mismatch with the system headers breaks both.
    EXPECT_EQ(VT_DECIMAL, 14);
    EXPECT_EQ(VT_I1, 16);
    EXPECT_EQ(VT_UINT, 23);
    EXPECT_EQ(VT_RECORD, 36);
    EXPECT_EQ(VT_ARRAY | VT_BYREF, 0x6000);
    EXPECT_EQ(DISP_E_TYPEMISMATCH, static_cast<HRESULT>(0x80020005));
    EXPECT_EQ(DISP_E_BADVARTYPE, static_cast<HRESULT>(0x80020008));
    EXPECT_EQ(DISP_E_OVERFLOW, static_cast<HRESULT>(0x8002000A));
    EXPECT_EQ(DISP_E_BADINDEX, static_cast<HRESULT>(0x8002000B));
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, static_cast<HRESULT>(0x8002000D));
    EXPECT_EQ(LOCALE_USER_DEFAULT, 0x400u);
    EXPECT_EQ(LOCALE_SYSTEM_DEFAULT, 0x800u);
    EXPECT_EQ(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT), 0x407u);
    EXPECT_EQ(VARIANT_ALPHABOOL | VARIANT_LOCALBOOL, 0x12);
}

TEST(Bstr, CarriesByteLengthPrefixEmbeddedNulsAndTerminator)
{
    const Text text = wide(std::string_view("ab\0cd", 5));
    BSTR bstr = SysAllocStringLen(text.data(), 5);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(SysStringByteLen(bstr), 10u);
    EXPECT_EQ(reinterpret_cast<const DWORD*>(bstr)[-1], 10u);
    EXPECT_EQ(textOf(bstr), text);
    EXPECT_EQ(bstr[5], 0);
    SysFreeString(bstr);

    // An odd byte count is kept exactly; the character count rounds down.
    bstr = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringByteLen(bstr), 3u);
    EXPECT_EQ(SysStringLen(bstr), 1u);
    EXPECT_EQ(std::memcmp(bstr, "abc\0\0", 5), 0);
    SysFreeString(bstr);

    // Without a source the body is allocated all the same, terminated.
    bstr = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 4u);
    EXPECT_EQ(bstr[4], 0);
    SysFreeString(bstr);
    bstr = SysAllocStringByteLen(nullptr, 6);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringByteLen(bstr), 6u);
    SysFreeString(bstr);

    const Text hello = wide("hello");
    bstr = SysAllocString(hello.c_str());
    EXPECT_EQ(textOf(bstr), hello);
    SysFreeString(bstr);

    bstr = SysAllocString(wide("").c_str());
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 0u);
    SysFreeString(bstr);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);

    // Lengths whose byte count does not fit the prefix are refused, not truncated.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(Bstr, ReallocationReplacesTheStringAndMayReadFromIt)
{
    const Text hello = wide("hello world");
    BSTR bstr = SysAllocString(hello.c_str());

    // The new text may be a part of the old one.
    ASSERT_TRUE(SysReAllocStringLen(&bstr, bstr + 6, 5));
    EXPECT_EQ(textOf(bstr), wide("world"));

    // Without a source the old characters are kept as far as they reach.
    ASSERT_TRUE(SysReAllocStringLen(&bstr, nullptr, 3));
    EXPECT_EQ(textOf(bstr), wide("wor"));
    EXPECT_EQ(bstr[3], 0);

    const Text other = wide("other");
    ASSERT_TRUE(SysReAllocString(&bstr, other.c_str()));
    EXPECT_EQ(textOf(bstr), other);
    ASSERT_TRUE(SysReAllocString(&bstr, bstr + 2));
    EXPECT_EQ(textOf(bstr), wide("her"));
    SysFreeString(bstr);

    // A null string grows from nothing.
    bstr = nullptr;
    ASSERT_TRUE(SysReAllocStringLen(&bstr, other.data(), 2));
    EXPECT_EQ(textOf(bstr), wide("ot"));
    SysFreeString(bstr);
}

TEST(Variant, ClearFreesWhatTheValueOwnsAndEmptiesIt)
{
    VARIANT v = bstrVariant("owned");
    v.wReserved1 = 7;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);

    Counted object;
    v.vt = VT_UNKNOWN;
    v.punkVal = &object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.refs, 0u);
    object.refs = 1;
    v.vt = VT_DISPATCH;
    v.punkVal = &object;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(object.refs, 0u);
    v.vt = VT_UNKNOWN;
    v.punkVal = nullptr;
    EXPECT_EQ(VariantClear(&v), S_OK);

    v.vt = VT_ARRAY | VT_BSTR;
    v.parray = bstrVector({"a", "b"});
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);

    // A reference owns nothing: the referenced value survives.
    BSTR referenced = SysAllocString(wide("kept").c_str());
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = &referenced;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(textOf(referenced), wide("kept"));
    SysFreeString(referenced);
}

// Every base type with every modifier, each holding nothing: which ones each function takes.
TEST(Variant, ClearAndCopyAcceptExactlyTheAutomationTypes)
{
    auto clearable = [](VARTYPE vt) {
        const VARTYPE base = vt & VT_TYPEMASK;
        const VARTYPE flags = vt & ~VT_TYPEMASK;
        if (flags & (VT_VECTOR | VT_RESERVED)) return false;
        if ((flags & (VT_ARRAY | VT_BYREF)) && base <= VT_NULL) return false;
        return (base <= VT_UINT && base != 15) || base == VT_RECORD || base == VT_CLSID;
    };
    auto copyable = [&](VARTYPE vt) { return clearable(vt) && (vt & VT_TYPEMASK) != VT_CLSID; };
    alignas(VARIANT) std::byte nothing[sizeof(VARIANT)] = {};

    const VARTYPE flagSets[] = {0, VT_BYREF, VT_ARRAY, VT_ARRAY | VT_BYREF, VT_VECTOR, VT_RESERVED};
    for (VARTYPE flags : flagSets) {
        for (VARTYPE base = 0; base <= VT_CLSID; ++base) {
            const VARTYPE vt = base | flags;
            VARIANT v;
            std::memset(&v, 0, sizeof v);
            v.vt = vt;
            EXPECT_EQ(VariantClear(&v), clearable(vt) ? S_OK : DISP_E_BADVARTYPE)
                << "vt 0x" << std::hex << vt;
            EXPECT_EQ(v.vt, clearable(vt) ? VARTYPE{VT_EMPTY} : vt);
            if (base == VT_RECORD) continue;

            VARIANT source;
            std::memset(&source, 0, sizeof source);
            source.vt = vt;
            if (flags & VT_BYREF) source.byref = nothing;
            VARIANT target;
            VariantInit(&target);
            EXPECT_EQ(VariantCopy(&target, &source), copyable(vt) ? S_OK : DISP_E_BADVARTYPE)
                << "vt 0x" << std::hex << vt;
            VariantClear(&target);
            // Through a reference, any array is taken.
            if (flags == VT_BYREF || flags == (VT_ARRAY | VT_BYREF)) {
                const bool taken = (flags & VT_ARRAY) || copyable(vt);
                EXPECT_EQ(VariantCopyInd(&target, &source), taken ? S_OK : E_INVALIDARG)
                    << "vt 0x" << std::hex << vt;
                VariantClear(&target);
                VariantInit(&target);
            }
        }
    }
    VARIANT v;
    v.vt = VT_ILLEGAL;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, VT_ILLEGAL);
}

TEST(Variant, CopyIsDeepAndClearsTheDestinationFirst)
{
    const Text text = wide(std::string_view("x\0y", 3));
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text.data()), 5);
    VARIANT target = bstrVariant("overwritten");

    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_BSTR);
    ASSERT_NE(target.bstrVal, source.bstrVal);
    EXPECT_EQ(SysStringByteLen(target.bstrVal), 5u);
    EXPECT_EQ(std::memcmp(target.bstrVal, source.bstrVal, 5), 0);
    target.bstrVal[0] = 'z';
    EXPECT_EQ(source.bstrVal[0], 'x');

    // A null BSTR is copied as an empty one.
    VARIANT nullText;
    VariantInit(&nullText);
    nullText.vt = VT_BSTR;
    nullText.bstrVal = nullptr;
    ASSERT_EQ(VariantCopy(&target, &nullText), S_OK);
    ASSERT_NE(target.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(target.bstrVal), 0u);

    // Copying onto itself changes nothing.
    EXPECT_EQ(VariantCopy(&source, &source), S_OK);
    EXPECT_EQ(SysStringByteLen(source.bstrVal), 5u);
    VariantClear(&source);

    Counted object;
    source.vt = VT_UNKNOWN;
    source.punkVal = &object;
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.punkVal, &object);
    EXPECT_EQ(object.refs, 2u);
    VariantClear(&target);
    EXPECT_EQ(object.refs, 1u);

    // A DECIMAL fills the whole VARIANT, type word aside.
    source.decVal.Lo64 = 12345;
    source.decVal.Hi32 = 1;
    source.decVal.scale = 2;
    source.decVal.sign = DECIMAL_NEG;
    source.vt = VT_DECIMAL;
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_DECIMAL);
    EXPECT_EQ(target.decVal.Lo64, 12345u);
    EXPECT_EQ(target.decVal.Hi32, 1u);
    EXPECT_EQ(target.decVal.scale, 2);
    EXPECT_EQ(target.decVal.sign, DECIMAL_NEG);

    // A reference is copied as the reference.
    LONG referenced = 5;
    source.vt = VT_I4 | VT_BYREF;
    source.plVal = &referenced;
    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(target.plVal, &referenced);

    // A bad source type leaves the destination alone.
    target = bstrVariant("survives");
    source.vt = 15;
    EXPECT_EQ(VariantCopy(&target, &source), DISP_E_BADVARTYPE);
    EXPECT_EQ(target.vt, VT_BSTR);
    EXPECT_EQ(textOf(target.bstrVal), wide("survives"));
    VariantClear(&target);
}

TEST(Variant, CopyOfAnArrayIsIndependent)
{
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_ARRAY | VT_BSTR;
    source.parray = bstrVector({"one", "two"});
    VARIANT target;
    VariantInit(&target);

    ASSERT_EQ(VariantCopy(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_ARRAY | VT_BSTR);
    ASSERT_NE(target.parray, source.parray);
    EXPECT_NE(bstrAt(target.parray, 1), bstrAt(source.parray, 1));
    EXPECT_EQ(textOf(bstrAt(target.parray, 1)), wide("two"));

    VariantClear(&source);
    EXPECT_EQ(textOf(bstrAt(target.parray, 0)), wide("one"));
    VariantClear(&target);
}

// The owner copies values that own nothing by their bits and the others deeply: whichever value
// it held before, every route gives an equal value that outlives its source (the sanitizer
// builds see any leak or double free).
TEST(VariantOwner, CopiesEveryKindOfValueOverEveryKind)
{
    const auto make = [](VARTYPE type) {
        VARIANT value;
        std::memset(&value, 0, sizeof value);
        value.vt = type;
        switch (type) {
        case VT_BSTR:
            value.bstrVal = SysAllocString(wide("text").c_str());
            break;
        case VT_ARRAY | VT_BSTR:
            value.parray = bstrVector({"one", "two"});
            break;
        case VT_DECIMAL:
            value.decVal.Lo64 = 12345;
            value.decVal.scale = 2;
            value.vt = VT_DECIMAL;
            break;
        default:
            value.llVal = 0x0102030405060708;
            break;
        }
        return vetrel::Variant::attach(value);
    };
    const auto sameAs = [](const VARIANT& copy, const VARIANT& source) {
        if (copy.vt != source.vt) return false;
        if (copy.vt == VT_BSTR)
            return copy.bstrVal != source.bstrVal && textOf(copy.bstrVal) == textOf(source.bstrVal);
        if (copy.vt == (VT_ARRAY | VT_BSTR))
            return copy.parray != source.parray &&
                   textOf(bstrAt(copy.parray, 1)) == textOf(bstrAt(source.parray, 1));
        if (copy.vt == VT_DECIMAL) return std::memcmp(&copy, &source, sizeof(DECIMAL)) == 0;
        return copy.llVal == source.llVal;
    };
    const VARTYPE kinds[] = {VT_EMPTY,          VT_I4, VT_R8, VT_DATE, VT_DECIMAL, VT_BSTR,
                             VT_ARRAY | VT_BSTR};
    for (const VARTYPE from : kinds) {
        for (const VARTYPE over : kinds) {
            SCOPED_TRACE(testing::Message() << "copy of vt " << from << " over vt " << over);
            vetrel::Variant assigned = make(over);
            VARIANT handed;
            {
                const vetrel::Variant source = make(from);
                const vetrel::Variant constructed(source);
                assigned = source;
                EXPECT_TRUE(sameAs(constructed.get(), source.get()));
                EXPECT_TRUE(sameAs(assigned.get(), source.get()));
                ASSERT_EQ(source.copyTo(&handed), S_OK);
                EXPECT_TRUE(sameAs(handed, source.get()));
            }
            const vetrel::Variant again = make(from);
            EXPECT_TRUE(sameAs(assigned.get(), again.get()));
            EXPECT_TRUE(sameAs(handed, again.get()));
            VariantClear(&handed);
        }
    }
}

TEST(Variant, CopyIndFollowsTheReference)
{
    VARIANT target;
    VariantInit(&target);
    VARIANT source;
    VariantInit(&source);

    LONG number = 42;
    source.vt = VT_I4 | VT_BYREF;
    source.plVal = &number;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_I4);
    EXPECT_EQ(target.lVal, 42);

    BSTR text = SysAllocString(wide("text").c_str());
    source.vt = VT_BSTR | VT_BYREF;
    source.pbstrVal = &text;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_BSTR);
    EXPECT_NE(target.bstrVal, text);
    EXPECT_EQ(textOf(target.bstrVal), wide("text"));
    SysFreeString(text);
    text = nullptr;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    ASSERT_NE(target.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(target.bstrVal), 0u);

    DECIMAL decimal;
    std::memset(&decimal, 0, sizeof decimal);
    decimal.Lo32 = 7;
    decimal.scale = 1;
    source.vt = VT_DECIMAL | VT_BYREF;
    source.pdecVal = &decimal;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_DECIMAL);
    EXPECT_EQ(target.decVal.Lo32, 7u);
    EXPECT_EQ(target.decVal.scale, 1);

    SAFEARRAY* array = bstrVector({"a"});
    source.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
    source.pparray = &array;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_ARRAY | VT_BSTR);
    EXPECT_NE(target.parray, array);
    EXPECT_EQ(textOf(bstrAt(target.parray, 0)), wide("a"));
    SafeArrayDestroy(array);

    // A referenced VARIANT is copied, and a reference inside it is followed too.
    VARIANT inner = bstrVariant("inner");
    source.vt = VT_VARIANT | VT_BYREF;
    source.pvarVal = &inner;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_BSTR);
    EXPECT_EQ(textOf(target.bstrVal), wide("inner"));
    VariantClear(&inner);
    inner.vt = VT_I4 | VT_BYREF;
    inner.plVal = &number;
    ASSERT_EQ(VariantCopyInd(&target, &source), S_OK);
    EXPECT_EQ(target.vt, VT_I4);
    EXPECT_EQ(target.lVal, 42);

    // In place: the variant ends up holding the value it referred to.
    source.vt = VT_I4 | VT_BYREF;
    source.plVal = &number;
    ASSERT_EQ(VariantCopyInd(&source, &source), S_OK);
    EXPECT_EQ(source.vt, VT_I4);
    EXPECT_EQ(source.lVal, 42);

    // Without a reference it is a plain copy.
    VARIANT plain = bstrVariant("plain");
    ASSERT_EQ(VariantCopyInd(&target, &plain), S_OK);
    EXPECT_EQ(target.vt, VT_BSTR);
    EXPECT_NE(target.bstrVal, plain.bstrVal);
    VariantClear(&plain);
    VariantClear(&target);
}

TEST(SafeArray, KeepsBoundsLastDimensionFirstAndVariesTheFirstIndexFastest)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 10}};
    SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa), 2u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), 4u);
    EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
    EXPECT_EQ(psa->rgsabound[0].lLbound, 10);
    EXPECT_EQ(psa->rgsabound[1].cElements, 2u);

    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, &bound), S_OK);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &bound), S_OK);
    EXPECT_EQ(bound, 1);
    EXPECT_EQ(SafeArrayGetLBound(psa, 2, &bound), S_OK);
    EXPECT_EQ(bound, 10);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &bound), S_OK);
    EXPECT_EQ(bound, 12);
    EXPECT_EQ(SafeArrayGetLBound(psa, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 3, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(psa, 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &bound), E_INVALIDARG);

    for (LONG i = 0; i < 2; ++i) {
        for (LONG j = 10; j < 13; ++j) {
            LONG indices[2] = {i, j};
            LONG value = i * 100 + j;
            ASSERT_EQ(SafeArrayPutElement(psa, indices, &value), S_OK);
        }
    }
    LONG* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[0], 10);
    EXPECT_EQ(data[1], 110);
    EXPECT_EQ(data[2], 11);
    EXPECT_EQ(data[5], 112);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);

    LONG indices[2] = {1, 11};
    void* cell = nullptr;
    ASSERT_EQ(SafeArrayPtrOfIndex(psa, indices, &cell), S_OK);
    EXPECT_EQ(*static_cast<LONG*>(cell), 111);
    LONG value = 0;
    ASSERT_EQ(SafeArrayGetElement(psa, indices, &value), S_OK);
    EXPECT_EQ(value, 111);

    const LONG outside[][2] = {{2, 10}, {-1, 10}, {0, 9}, {0, 13}};
    for (const auto& index : outside) {
        LONG probe[2] = {index[0], index[1]};
        EXPECT_EQ(SafeArrayPtrOfIndex(psa, probe, &cell), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetElement(psa, probe, &value), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayPutElement(psa, probe, &value), DISP_E_BADINDEX);
    }
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);

    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
}

TEST(SafeArray, ElementTypeDecidesFeaturesSizeAndVartype)
{
    struct Expectation
    {
        VARTYPE vt;
        UINT size;
        USHORT features;
    };
    const Expectation expectations[] = {
        {VT_UI1, 1, FADF_HAVEVARTYPE},
        {VT_BOOL, 2, FADF_HAVEVARTYPE},
        {VT_R4, 4, FADF_HAVEVARTYPE},
        {VT_ERROR, 4, FADF_HAVEVARTYPE},
        {VT_DATE, 8, FADF_HAVEVARTYPE},
        {VT_CY, 8, FADF_HAVEVARTYPE},
        {VT_I8, 8, FADF_HAVEVARTYPE},
        {VT_DECIMAL, 16, FADF_HAVEVARTYPE},
        {VT_BSTR, sizeof(BSTR), FADF_HAVEVARTYPE | FADF_BSTR},
        {VT_VARIANT, sizeof(VARIANT), FADF_HAVEVARTYPE | FADF_VARIANT},
        {VT_UNKNOWN, sizeof(void*), FADF_HAVEIID | FADF_UNKNOWN},
        {VT_DISPATCH, sizeof(void*), FADF_HAVEIID | FADF_DISPATCH},
    };
    for (const Expectation& e : expectations) {
        SAFEARRAYBOUND bound = {3, 0};
        SAFEARRAY* psa = SafeArrayCreate(e.vt, 1, &bound);
        ASSERT_NE(psa, nullptr) << e.vt;
        EXPECT_EQ(SafeArrayGetElemsize(psa), e.size) << e.vt;
        EXPECT_EQ(psa->fFeatures, e.features) << e.vt;
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
        EXPECT_EQ(vt, e.vt);
        EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    }
    const VARTYPE unusable[] = {VT_EMPTY, VT_NULL, 15, VT_VOID, VT_LPWSTR, VT_I4 | VT_BYREF};
    for (VARTYPE vt : unusable) {
        SAFEARRAYBOUND bound = {3, 0};
        SAFEARRAY* psa = SafeArrayCreate(vt, 1, &bound);
        EXPECT_EQ(psa, nullptr) << vt;
        SafeArrayDestroy(psa);
    }
}

TEST(SafeArray, ElementsAreCopiedInAndOut)
{
    SAFEARRAY* strings = bstrVector({"first", "second"});
    LONG index = 1;
    BSTR fetched = nullptr;
    ASSERT_EQ(SafeArrayGetElement(strings, &index, &fetched), S_OK);
    EXPECT_NE(fetched, bstrAt(strings, 1));
    EXPECT_EQ(textOf(fetched), wide("second"));
    // Putting an element frees the one it replaces; a cell's own string may be put back.
    ASSERT_EQ(SafeArrayPutElement(strings, &index, fetched), S_OK);
    EXPECT_NE(bstrAt(strings, 1), fetched);
    SysFreeString(fetched);
    ASSERT_EQ(SafeArrayPutElement(strings, &index, bstrAt(strings, 1)), S_OK);
    EXPECT_EQ(textOf(bstrAt(strings, 1)), wide("second"));

    // A null string goes in as an empty one; a null cell comes out null.
    index = 0;
    ASSERT_EQ(SafeArrayPutElement(strings, &index, nullptr), S_OK);
    ASSERT_NE(bstrAt(strings, 0), nullptr);
    EXPECT_EQ(SysStringLen(bstrAt(strings, 0)), 0u);
    SAFEARRAY* blank = SafeArrayCreateVector(VT_BSTR, 0, 1);
    fetched = SysAllocString(wide("replaced").c_str());
    BSTR replaced = fetched;
    ASSERT_EQ(SafeArrayGetElement(blank, &index, &fetched), S_OK);
    EXPECT_EQ(fetched, nullptr);
    SysFreeString(replaced);
    SafeArrayDestroy(blank);
    EXPECT_EQ(SafeArrayDestroy(strings), S_OK);

    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 1, 2);
    VARIANT value = bstrVariant("in a variant");
    index = 2;
    ASSERT_EQ(SafeArrayPutElement(variants, &index, &value), S_OK);
    VariantClear(&value);
    ASSERT_EQ(SafeArrayGetElement(variants, &index, &value), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(textOf(value.bstrVal), wide("in a variant"));
    VariantClear(&value);
    index = 1;
    ASSERT_EQ(SafeArrayGetElement(variants, &index, &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(SafeArrayDestroy(variants), S_OK);

    Counted first;
    Counted second;
    SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
    index = 0;
    ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&first)), S_OK);
    EXPECT_EQ(first.refs, 2u);
    IUnknown* out = nullptr;
    ASSERT_EQ(SafeArrayGetElement(objects, &index, &out), S_OK);
    EXPECT_EQ(out, &first);
    EXPECT_EQ(first.refs, 3u);
    out->Release();
    ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&second)), S_OK);
    EXPECT_EQ(first.refs, 1u);
    EXPECT_EQ(second.refs, 2u);
    EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
    EXPECT_EQ(second.refs, 1u);

    EXPECT_EQ(SafeArrayGetElement(nullptr, &index, &out), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPutElement(nullptr, &index, &out), E_INVALIDARG);
}

TEST(SafeArray, LockedArraysCannotBeDestroyed)
{
    SAFEARRAY* psa = bstrVector({"locked"});
    ASSERT_EQ(SafeArrayLock(psa), S_OK);
    EXPECT_EQ(psa->cLocks, 1u);
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayDestroyData(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayDestroyDescriptor(psa), DISP_E_ARRAYISLOCKED);
    SAFEARRAYBOUND bound = {4, 0};
    EXPECT_EQ(SafeArrayRedim(psa, &bound), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(textOf(bstrAt(psa, 0)), wide("locked"));

    // Access locks too, and counts.
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
    EXPECT_EQ(data, psa->pvData);
    EXPECT_EQ(psa->cLocks, 2u);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnlock(psa), S_OK);
    EXPECT_EQ(SafeArrayUnlock(psa), E_UNEXPECTED);
    EXPECT_EQ(psa->cLocks, 0u);

    // The lock count has a ceiling.
    for (ULONG i = 0; i < 0xFFFF; ++i) ASSERT_EQ(SafeArrayLock(psa), S_OK);
    EXPECT_EQ(SafeArrayLock(psa), E_UNEXPECTED);
    EXPECT_EQ(psa->cLocks, 0xFFFFu);
    while (psa->cLocks) SafeArrayUnlock(psa);

    EXPECT_EQ(SafeArrayLock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnlock(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAccessData(psa, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, ClearingAVariantWithALockedArrayFailsButEmptiesIt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_I4;
    v.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    SAFEARRAY* locked = v.parray;
    ASSERT_EQ(SafeArrayLock(locked), S_OK);
    // The VARIANT is emptied all the same; the array stays with whoever locked it.
    EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(v.vt, VT_EMPTY);
    ASSERT_EQ(SafeArrayUnlock(locked), S_OK);
    EXPECT_EQ(SafeArrayDestroy(locked), S_OK);
}

TEST(SafeArray, CopyIsDeep)
{
    SAFEARRAY* source = bstrVector({"alpha", "beta"});
    source->fFeatures |= FADF_FIXEDSIZE;
    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(SafeArrayCopy(source, &copy), S_OK);
    ASSERT_NE(copy, nullptr);
    // The copy owns plain heap storage, whatever the original was.
    EXPECT_EQ(copy->fFeatures, FADF_HAVEVARTYPE | FADF_BSTR);
    EXPECT_EQ(copy->cLocks, 0u);
    EXPECT_NE(bstrAt(copy, 0), bstrAt(source, 0));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
    EXPECT_EQ(vt, VT_BSTR);
    ASSERT_EQ(SafeArrayDestroy(source), S_OK);
    EXPECT_EQ(textOf(bstrAt(copy, 1)), wide("beta"));

    // Null cells stay null.
    SAFEARRAY* blanks = SafeArrayCreateVector(VT_BSTR, 0, 1);
    SAFEARRAY* blanksCopy = nullptr;
    ASSERT_EQ(SafeArrayCopy(blanks, &blanksCopy), S_OK);
    EXPECT_EQ(bstrAt(blanksCopy, 0), nullptr);
    SafeArrayDestroy(blanks);
    SafeArrayDestroy(blanksCopy);

    // Copying data replaces what the target held.
    SAFEARRAY* target = bstrVector({"x", "y"});
    ASSERT_EQ(SafeArrayCopyData(copy, target), S_OK);
    EXPECT_EQ(textOf(bstrAt(target, 0)), wide("alpha"));
    EXPECT_NE(bstrAt(target, 0), bstrAt(copy, 0));
    SAFEARRAY* shorter = bstrVector({"z"});
    EXPECT_EQ(SafeArrayCopyData(copy, shorter), E_INVALIDARG);
    EXPECT_EQ(SafeArrayCopyData(nullptr, shorter), E_INVALIDARG);

    Counted object;
    SAFEARRAY* objects = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IUnknown*>(&object)), S_OK);
    SAFEARRAY* objectsCopy = nullptr;
    ASSERT_EQ(SafeArrayCopy(objects, &objectsCopy), S_OK);
    EXPECT_EQ(object.refs, 3u);
    SafeArrayDestroy(objects);
    SafeArrayDestroy(objectsCopy);
    EXPECT_EQ(object.refs, 1u);

    SAFEARRAY* none = source;
    EXPECT_EQ(SafeArrayCopy(nullptr, &none), S_OK);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(SafeArrayCopy(copy, nullptr), E_INVALIDARG);

    SafeArrayDestroy(copy);
    SafeArrayDestroy(target);
    SafeArrayDestroy(shorter);
}

TEST(SafeArray, RedimChangesTheLastDimension)
{
    SAFEARRAY* psa = bstrVector({"a", "b", "c"});
    SAFEARRAYBOUND shorter = {2, 1};
    ASSERT_EQ(SafeArrayRedim(psa, &shorter), S_OK);
    LONG bound = 0;
    SafeArrayGetLBound(psa, 1, &bound);
    EXPECT_EQ(bound, 1);
    SafeArrayGetUBound(psa, 1, &bound);
    EXPECT_EQ(bound, 2);
    EXPECT_EQ(textOf(bstrAt(psa, 2)), wide("b"));

    SAFEARRAYBOUND longer = {4, 1};
    ASSERT_EQ(SafeArrayRedim(psa, &longer), S_OK);
    EXPECT_EQ(textOf(bstrAt(psa, 1)), wide("a"));
    EXPECT_EQ(bstrAt(psa, 4), nullptr);
    EXPECT_EQ(SafeArrayRedim(psa, nullptr), E_INVALIDARG);
    psa->fFeatures |= FADF_FIXEDSIZE;
    EXPECT_EQ(SafeArrayRedim(psa, &shorter), DISP_E_ARRAYISLOCKED);
    SafeArrayDestroy(psa);

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {1, 0}};
    SAFEARRAY* grid = SafeArrayCreate(VT_I2, 2, bounds);
    LONG cell[2] = {1, 0};
    SHORT value = 9;
    SafeArrayPutElement(grid, cell, &value);
    SAFEARRAYBOUND columns = {3, 0};
    ASSERT_EQ(SafeArrayRedim(grid, &columns), S_OK);
    EXPECT_EQ(SafeArrayGetElement(grid, cell, &value), S_OK);
    EXPECT_EQ(value, 9);
    LONG added[2] = {1, 2};
    EXPECT_EQ(SafeArrayGetElement(grid, added, &value), S_OK);
    EXPECT_EQ(value, 0);
    SafeArrayDestroy(grid);
}

TEST(SafeArray, DescriptorAndDataCanBeBuiltInSteps)
{
    SAFEARRAY* psa = nullptr;
    EXPECT_EQ(SafeArrayAllocDescriptor(0, &psa), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAllocDescriptorEx(VT_R8, 0, &psa), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAllocDescriptor(0x10000, &psa), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAllocDescriptor(1, nullptr), E_POINTER);
    ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_R8, 1, &psa), S_OK);
    EXPECT_EQ(psa->cbElements, 8u);
    EXPECT_EQ(psa->pvData, nullptr);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), S_OK);
    EXPECT_EQ(vt, VT_R8);
    psa->rgsabound[0] = {4, -2};
    ASSERT_EQ(SafeArrayAllocData(psa), S_OK);
    LONG index = 1;
    double value = 1.5;
    EXPECT_EQ(SafeArrayPutElement(psa, &index, &value), S_OK);
    EXPECT_EQ(static_cast<double*>(psa->pvData)[3], 1.5);
    EXPECT_EQ(SafeArrayDestroyData(psa), S_OK);
    EXPECT_EQ(psa->pvData, nullptr);
    EXPECT_EQ(SafeArrayDestroyDescriptor(psa), S_OK);

    ASSERT_EQ(SafeArrayAllocDescriptor(2, &psa), S_OK);
    EXPECT_EQ(psa->cDims, 2u);
    EXPECT_EQ(psa->fFeatures, 0u);
    EXPECT_EQ(SafeArrayGetVartype(psa, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroyDescriptor(psa), S_OK);

    // An empty vector is a valid array with no cells.
    psa = SafeArrayCreateVector(VT_I4, 5, 0);
    ASSERT_NE(psa, nullptr);
    EXPECT_NE(psa->pvData, nullptr);
    EXPECT_EQ(psa->fFeatures & FADF_HAVEVARTYPE, FADF_HAVEVARTYPE);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetUBound(psa, 1, &bound), S_OK);
    EXPECT_EQ(bound, 4);
    index = 5;
    void* cell = nullptr;
    EXPECT_EQ(SafeArrayPtrOfIndex(psa, &index, &cell), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArray, LocksFromManyThreadsBalance)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 0, 1);
    auto work = [psa] {
        for (int i = 0; i < 2000; ++i) {
            void* data = nullptr;
            ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
            ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
        }
    };
    std::thread first(work);
    std::thread second(work);
    first.join();
    second.join();
    EXPECT_EQ(psa->cLocks, 0u);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

double toDate(SYSTEMTIME st)
{
    double date = -1e9;
    EXPECT_TRUE(SystemTimeToVariantTime(&st, &date))
        << st.wYear << "-" << st.wMonth << "-" << st.wDay;
    return date;
}

SYSTEMTIME fromDate(double date)
{
    SYSTEMTIME st = {};
    EXPECT_TRUE(VariantTimeToSystemTime(date, &st)) << date;
    return st;
}

void expectTime(const SYSTEMTIME& st, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                WORD second)
{
    EXPECT_EQ(st.wYear, year);
    EXPECT_EQ(st.wMonth, month);
    EXPECT_EQ(st.wDay, day);
    EXPECT_EQ(st.wHour, hour);
    EXPECT_EQ(st.wMinute, minute);
    EXPECT_EQ(st.wSecond, second);
    EXPECT_EQ(st.wMilliseconds, 0);
}

TEST(Date, KnownDaysAndTimes)
{
    EXPECT_EQ(toDate(systemTime(1899, 12, 30)), 0.0);
    EXPECT_EQ(toDate(systemTime(1900, 1, 1)), 2.0);
    EXPECT_EQ(toDate(systemTime(1899, 12, 30, 12)), 0.5);
    EXPECT_EQ(toDate(systemTime(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(toDate(systemTime(2000, 1, 1)), 36526.0);
    EXPECT_EQ(toDate(systemTime(2000, 3, 1)), 36586.0);
    EXPECT_EQ(toDate(systemTime(100, 1, 1)), -657434.0);
    EXPECT_EQ(toDate(systemTime(9999, 12, 31)), 2958465.0);
    EXPECT_DOUBLE_EQ(toDate(systemTime(2024, 2, 29, 18, 30, 15)),
                     45351.0 + (18 * 3600 + 30 * 60 + 15) / 86400.0);

    expectTime(fromDate(0.0), 1899, 12, 30, 0, 0, 0);
    expectTime(fromDate(2.75), 1900, 1, 1, 18, 0, 0);
    expectTime(fromDate(-1.25), 1899, 12, 29, 6, 0, 0);
    expectTime(fromDate(-0.5), 1899, 12, 30, 12, 0, 0);
    expectTime(fromDate(-657434.0), 100, 1, 1, 0, 0, 0);
    expectTime(fromDate(2958465.5), 9999, 12, 31, 12, 0, 0);
    expectTime(fromDate(59.0), 1900, 2, 27, 0, 0, 0);
    expectTime(fromDate(61.0), 1900, 3, 1, 0, 0, 0);

    EXPECT_EQ(fromDate(0.0).wDayOfWeek, 6);
    EXPECT_EQ(fromDate(-1.0).wDayOfWeek, 5);
    EXPECT_EQ(fromDate(36526.0).wDayOfWeek, 6);
    EXPECT_EQ(fromDate(45351.0).wDayOfWeek, 4);
}

TEST(Date, RoundTripsThroughSystemTime)
{
    // Every 997th day across the whole range, at a time that exercises every clock field.
    for (double day = -657434.0; day <= 2958465.0; day += 997.0) {
        const double fraction = (13 * 3600 + 47 * 60 + 29) / 86400.0;
        const double date = day < 0 ? day - fraction : day + fraction;
        SYSTEMTIME st = fromDate(date);
        EXPECT_EQ(st.wHour, 13);
        EXPECT_EQ(st.wSecond, 29);
        EXPECT_DOUBLE_EQ(toDate(st), date);
        st.wHour = 0;
        st.wMinute = 0;
        st.wSecond = 0;
        EXPECT_EQ(toDate(st), day);
    }
}

TEST(Date, TimeOfDayRoundsToTheNearestSecond)
{
    const double second = 1.0 / 86400.0;
    expectTime(fromDate(0.5 + 0.4 * second), 1899, 12, 30, 12, 0, 0);
    expectTime(fromDate(0.5 + 0.6 * second), 1899, 12, 30, 12, 0, 1);
    expectTime(fromDate(1.0 - 0.4 * second), 1899, 12, 31, 0, 0, 0);
    expectTime(fromDate(-1.0 - 0.6 * second), 1899, 12, 29, 0, 0, 1);
    // Just before midnight of 1899-12-29 rounds up into 1899-12-30.
    expectTime(fromDate(-2.0 + 0.4 * second), 1899, 12, 30, 0, 0, 0);
    expectTime(fromDate(2958466.0 - 0.4 * second), 10000, 1, 1, 0, 0, 0);

    // Rounding moves the calendar fields only: the weekday and the day of the year stay those
    // of the day rounded from.
    UDATE udate = {};
    ASSERT_EQ(VarUdateFromDate(1.0 - 0.4 * second, 0, &udate), S_OK);
    EXPECT_EQ(udate.st.wDay, 31);
    EXPECT_EQ(udate.st.wDayOfWeek, 6);
    EXPECT_EQ(udate.wDayOfYear, 364);
}

TEST(Date, TwoDigitYearsAndOverflowingFields)
{
    EXPECT_EQ(toDate(systemTime(0, 1, 1)), toDate(systemTime(2000, 1, 1)));
    EXPECT_EQ(toDate(systemTime(49, 1, 1)), toDate(systemTime(2049, 1, 1)));
    EXPECT_EQ(toDate(systemTime(50, 1, 1)), toDate(systemTime(1950, 1, 1)));
    EXPECT_EQ(toDate(systemTime(99, 12, 31)), toDate(systemTime(1999, 12, 31)));

    // Month 0 and day 0 reach back; days and clock fields past their range carry forward.
    EXPECT_EQ(toDate(systemTime(2000, 0, 1)), toDate(systemTime(1999, 12, 1)));
    EXPECT_EQ(toDate(systemTime(2000, 3, 0)), toDate(systemTime(2000, 2, 29)));
    EXPECT_EQ(toDate(systemTime(2000, 2, 30)), toDate(systemTime(2000, 3, 1)));
    EXPECT_EQ(toDate(systemTime(2000, 1, 31, 24)), toDate(systemTime(2000, 2, 1)));
    EXPECT_EQ(toDate(systemTime(2000, 1, 1, 25, 61, 61)), toDate(systemTime(2000, 1, 2, 2, 2, 1)));
    EXPECT_EQ(toDate(systemTime(9999, 12, 31, 24)), 2958466.0);

    // Milliseconds are not part of a DATE made from fields.
    EXPECT_EQ(toDate(systemTime(2000, 1, 1, 0, 0, 0, 999)), 36526.0);
}

TEST(Date, RefusesTimesOutsideTheRange)
{
    SYSTEMTIME st = {};
    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));
    EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &st));
    EXPECT_FALSE(VariantTimeToSystemTime(1e300, &st));

    double date = 0;
    st = systemTime(10000, 1, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date));
    UDATE udate = {st, 0};
    EXPECT_EQ(VarDateFromUdate(&udate, 0, &date), E_INVALIDARG);
    // A year the signed field reads as negative is refused here.
    st = systemTime(0xFFFF, 1, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date));
    // Month and day must look like a calendar date here, though VarDateFromUdate rolls them.
    st = systemTime(2000, 13, 1);
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date));
    udate.st = st;
    ASSERT_EQ(VarDateFromUdate(&udate, 0, &date), S_OK);
    EXPECT_EQ(date, toDate(systemTime(2001, 1, 1)));
    st = systemTime(2000, 1, 32);
    EXPECT_FALSE(SystemTimeToVariantTime(&st, &date));
    udate.st = st;
    ASSERT_EQ(VarDateFromUdate(&udate, 0, &date), S_OK);
    EXPECT_EQ(date, toDate(systemTime(2000, 2, 1)));
}

TEST(Date, UdateCarriesDayOfYearAndOverflowingFields)
{
    UDATE udate = {};
    ASSERT_EQ(VarUdateFromDate(45351.75, 0, &udate), S_OK);
    EXPECT_EQ(udate.st.wYear, 2024);
    EXPECT_EQ(udate.st.wMonth, 2);
    EXPECT_EQ(udate.st.wDay, 29);
    EXPECT_EQ(udate.st.wHour, 18);
    EXPECT_EQ(udate.wDayOfYear, 60);

    DATE date = 0;
    ASSERT_EQ(VarDateFromUdate(&udate, 0, &date), S_OK);
    EXPECT_EQ(date, 45351.75);
    ASSERT_EQ(VarDateFromUdate(&udate, VAR_DATEVALUEONLY, &date), S_OK);
    EXPECT_EQ(date, 45351.0);
    ASSERT_EQ(VarDateFromUdate(&udate, VAR_TIMEVALUEONLY, &date), S_OK);
    EXPECT_EQ(date, 0.75);

    // Days past the end of a month and hours past midnight carry forward.
    udate.st = systemTime(2023, 2, 30, 25);
    ASSERT_EQ(VarDateFromUdate(&udate, 0, &date), S_OK);
    EXPECT_DOUBLE_EQ(date, toDate(systemTime(2023, 3, 3, 1)));

    EXPECT_EQ(VarUdateFromDate(3e6, 0, &udate), E_INVALIDARG);
}

TEST(BstrOwner, OwnsCopiesMovesAndHandsOver)
{
    vetrel::Bstr empty;
    EXPECT_EQ(empty.get(), nullptr);
    EXPECT_EQ(empty.length(), 0u);

    const Text text = wide(std::string_view("a\0b", 3));
    vetrel::Bstr owner{TextView(text)};
    EXPECT_EQ(owner.view(), text);
    vetrel::Bstr copy = owner;
    EXPECT_NE(copy.get(), owner.get());
    EXPECT_EQ(copy.view(), text);

    vetrel::Bstr moved = std::move(owner);
    EXPECT_EQ(owner.get(), nullptr);
    EXPECT_EQ(moved.view(), text);
    copy = moved;
    EXPECT_EQ(copy.view(), text);
    moved = vetrel::Bstr();
    EXPECT_EQ(moved.get(), nullptr);

    // A function that fills a BSTR* replaces the owned string.
    const Text filled = wide("filled");
    *copy.out() = SysAllocString(filled.c_str());
    EXPECT_EQ(copy.view(), filled);

    BSTR handed = copy.detach();
    EXPECT_EQ(copy.get(), nullptr);
    vetrel::Bstr back = vetrel::Bstr::attach(handed);
    EXPECT_EQ(back.get(), handed);
}

TEST(VariantOwner, ClearsCopiesDeepAndHandsOver)
{
    Counted object;
    {
        VARIANT raw;
        VariantInit(&raw);
        raw.vt = VT_UNKNOWN;
        raw.punkVal = &object;
        vetrel::Variant owner = vetrel::Variant::attach(raw);
        EXPECT_EQ(raw.vt, VT_EMPTY);
        EXPECT_EQ(owner.type(), VT_UNKNOWN);
        vetrel::Variant copy = owner;
        EXPECT_EQ(object.refs, 2u);
        vetrel::Variant moved = std::move(copy);
        EXPECT_EQ(copy.type(), VT_EMPTY);
        EXPECT_EQ(object.refs, 2u);
        moved = owner;
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 0u);

    VARIANT raw = bstrVariant("value");
    vetrel::Variant owner(raw);
    VariantClear(&raw);
    EXPECT_EQ(textOf(owner.get().bstrVal), wide("value"));

    VARIANT client;
    ASSERT_EQ(owner.copyTo(&client), S_OK);
    EXPECT_NE(client.bstrVal, owner.get().bstrVal);
    VariantClear(&client);

    client = owner.detach();
    EXPECT_EQ(owner.type(), VT_EMPTY);
    EXPECT_EQ(textOf(client.bstrVal), wide("value"));
    VariantClear(&client);

    // A function that fills a VARIANT* gets an empty one, the old value freed.
    VARIANT old = bstrVariant("old");
    owner = vetrel::Variant::attach(old);
    VARIANT* slot = owner.out();
    EXPECT_EQ(slot->vt, VT_EMPTY);
    slot->vt = VT_I2;
    slot->iVal = 3;
    EXPECT_EQ(owner.get().iVal, 3);
}

} // namespace
