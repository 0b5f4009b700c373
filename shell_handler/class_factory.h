// The class object that COM asks for through DllGetClassObject: it makes
// TamselHandler objects.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace tamsel {

class ClassFactory final : public IClassFactory {
public:
    ClassFactory();
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    // IClassFactory
    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

private:
    ~ClassFactory();

    LONG refs_ = 1;
};

}  // namespace tamsel
