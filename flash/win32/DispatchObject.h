#pragma once
// The IUnknown and type-information part of our own IDispatch objects (the
// built-in player and the Flash event sink): reference counting, and answers
// for IUnknown, IDispatch and, when given, one more interface of the same
// layout. Members are reached by dispatch id only, so there is no type library.
#include <oaidl.h>
#include <windows.h>

namespace glint::flash {

class DispatchObject : public IDispatch {
public:
    explicit DispatchObject(const IID* alsoAnswers = nullptr) : alsoAnswers_(alsoAnswers) {}
    virtual ~DispatchObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            (alsoAnswers_ && IsEqualIID(riid, *alsoAnswers_))) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }

private:
    const IID* alsoAnswers_;
    LONG refs_ = 1;
};

} // namespace glint::flash
