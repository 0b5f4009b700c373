// The server's exports and class factory, called as COM calls them.
#include <gtest/gtest.h>

#include <windows.h>
#include <propsys.h>
#include <shobjidl.h>

#include "server_test.h"

namespace {

using tamsel::ComPtr;

void* const kUntouched = reinterpret_cast<void*>(0x1);

class ComServer : public BuiltServerTest {
protected:
    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(dll.DllGetClassObject(kHandlerClassId, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }
};

TEST_F(ComServer, ClassObjectRequests) {
    // {3C994A91-448B-42B9-814C-B427301F3DAB}: one bit away from the handler's class.
    const CLSID other_class = {0x3c994a91, 0x448b, 0x42b9, {0x81, 0x4c, 0xb4, 0x27, 0x30, 0x1f, 0x3d, 0xab}};
    const struct {
        const char* name;
        const CLSID* clsid;
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {"other class", &other_class, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
        {"IClassFactory", &kHandlerClassId, &IID_IClassFactory, S_OK},
        {"IUnknown", &kHandlerClassId, &IID_IUnknown, S_OK},
        {"interface the factory lacks", &kHandlerClassId, &IID_IPreviewHandler, E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        void* object = kUntouched;
        EXPECT_EQ(dll.DllGetClassObject(*c.clsid, *c.iid, &object), c.expected);
        if (FAILED(c.expected)) {
            EXPECT_EQ(object, nullptr);
            EXPECT_EQ(dll.DllCanUnloadNow(), S_OK) << "a refused request left a factory alive";
            continue;
        }
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(dll.DllCanUnloadNow(), S_FALSE) << "a live factory must keep the module";
        auto* unknown = static_cast<IUnknown*>(object);
        EXPECT_EQ(unknown->Release(), 0u);
        EXPECT_EQ(dll.DllCanUnloadNow(), S_OK);
    }
}

TEST_F(ComServer, FactoryServesOnlyIClassFactory) {
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(factory->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(factory.get()));
    void* other = kUntouched;
    EXPECT_EQ(factory->QueryInterface(IID_IClassFactory2, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
}

TEST_F(ComServer, CreateInstanceResults) {
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);

    const struct {
        const char* name;
        bool with_outer;
        const IID* iid;
        HRESULT expected;
    } cases[] = {
        {"aggregation", true, &IID_IUnknown, CLASS_E_NOAGGREGATION},
        {"interface the handler lacks", false, &IID_IClassFactory, E_NOINTERFACE},
        {"IUnknown", false, &IID_IUnknown, S_OK},
        {"IPreviewHandler", false, &IID_IPreviewHandler, S_OK},
        {"IInitializeWithStream", false, &IID_IInitializeWithStream, S_OK},
        {"IPreviewHandlerVisuals", false, &IID_IPreviewHandlerVisuals, S_OK},
        {"IOleWindow", false, &IID_IOleWindow, S_OK},
        {"IObjectWithSite", false, &IID_IObjectWithSite, S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IClassFactory> outer_source = Factory();  // any live object serves as an outer one
        IUnknown* outer = c.with_outer ? outer_source.get() : nullptr;
        void* object = kUntouched;
        EXPECT_EQ(factory->CreateInstance(outer, *c.iid, &object), c.expected);
        outer_source.reset();
        if (FAILED(c.expected)) {
            EXPECT_EQ(object, nullptr);
            continue;
        }
        ASSERT_NE(object, nullptr);
        auto* unknown = static_cast<IUnknown*>(object);
        // The object outlives its factory and keeps the module loaded on its own.
        factory.reset();
        EXPECT_EQ(dll.DllCanUnloadNow(), S_FALSE);
        EXPECT_EQ(unknown->Release(), 0u);
        EXPECT_EQ(dll.DllCanUnloadNow(), S_OK);
        factory = Factory();
    }
    factory.reset();
    // A refused interface leaves no object behind: the count is back to zero.
    EXPECT_EQ(dll.DllCanUnloadNow(), S_OK);
}

TEST_F(ComServer, LockServerKeepsModuleUntilMatchingUnlock) {
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(dll.DllCanUnloadNow(), S_FALSE);

    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(dll.DllCanUnloadNow(), S_FALSE);

    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
}

}  // namespace
