// Interfaces pinned for the life of a runtime: COM holds the object while they are pinned and
// gives every reference back when the pins go.
#include "platform/interface_pins.h"

#include <array>
#include <atomic>
#include <gtest/gtest.h>

namespace {

using vetrel::platform::InterfacePins;

class Apartment
{
public:
    Apartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~Apartment() { CoUninitialize(); }
};

// An interface the object below answers to, for which no proxy/stub is registered.
constexpr IID kNowhere = {
    0x0badc0de, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

// A class object that counts the references it is given.
class CountedFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory) &&
            !IsEqualIID(riid, kNowhere))
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_references; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    ULONG references() const { return m_references; }

private:
    std::atomic<ULONG> m_references{1};
};

TEST(InterfacePins, ComHoldsTheObjectWhilePinnedAndGivesEveryReferenceBack)
{
    const Apartment apartment;
    CountedFactory factory;
    constexpr std::array<const IID*, 2> interfaces{&IID_IClassFactory, &IID_IUnknown};
    {
        const auto pins = InterfacePins::pin(factory, interfaces);
        ASSERT_TRUE(pins);
        EXPECT_GT(factory.references(), 1u);
    }
    EXPECT_EQ(factory.references(), 1u);
}

TEST(InterfacePins, AnInterfaceThatCannotBeMarshalledIsSkipped)
{
    const Apartment apartment;
    CountedFactory factory;
    // The object refuses the first; the second has no proxy/stub anywhere.
    constexpr std::array<const IID*, 3> interfaces{&IID_IStream, &kNowhere, &IID_IClassFactory};
    {
        const auto pins = InterfacePins::pin(factory, interfaces);
        ASSERT_TRUE(pins);
        EXPECT_GT(factory.references(), 1u);
    }
    EXPECT_EQ(factory.references(), 1u);
}

} // namespace
