// The virtual camera API of Windows 11 (mfvirtualcamera.h). The Windows SDK
// from 10.0.22000 declares it; mingw-w64 does not, so the parts this tool
// calls are declared here with the SDK's layout, and only when the SDK's
// header is absent.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfobjects.h>

#if __has_include(<mfvirtualcamera.h>) && !defined(__MINGW32__)
#include <mfvirtualcamera.h>
#else
#include <devpropdef.h>

enum MFVirtualCameraType { MFVirtualCameraType_SoftwareCameraSource = 0 };
enum MFVirtualCameraLifetime { MFVirtualCameraLifetime_Session = 0, MFVirtualCameraLifetime_System = 1 };
enum MFVirtualCameraAccess { MFVirtualCameraAccess_CurrentUser = 0, MFVirtualCameraAccess_AllUsers = 1 };

// Every method in the SDK's order; the tool calls Start, Remove and
// Shutdown. IMFCameraSyncObject is passed as IUnknown (same layout).
MIDL_INTERFACE("1C08A864-EF6C-4C75-AF59-5F2D68DA9563")
IMFVirtualCamera : public IMFAttributes {
 public:
  virtual HRESULT STDMETHODCALLTYPE AddDeviceSourceInfo(LPCWSTR DeviceSourceInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddProperty(const DEVPROPKEY* pKey, DEVPROPTYPE Type, const BYTE* pbData,
                                                ULONG cbData) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddRegistryEntry(LPCWSTR EntryName, LPCWSTR SubkeyPath, DWORD dwRegType,
                                                     const BYTE* pbData, ULONG cbData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Start(IMFAsyncCallback* pCallback) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE Remove() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** ppMediaSource) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendCameraProperty(REFGUID propertySet, ULONG propertyId, ULONG propertyFlags,
                                                       void* propertyPayload, ULONG propertyPayloadLength,
                                                       void* data, ULONG dataLength, ULONG* dataWritten) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateSyncEvent(REFGUID kseventSet, ULONG kseventId, ULONG kseventFlags,
                                                    HANDLE eventHandle, IUnknown** cameraSyncObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateSyncSemaphore(REFGUID kseventSet, ULONG kseventId, ULONG kseventFlags,
                                                        HANDLE semaphoreHandle, LONG semaphoreAdjustment,
                                                        IUnknown** cameraSyncObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
};
__CRT_UUID_DECL(IMFVirtualCamera, 0x1c08a864, 0xef6c, 0x4c75, 0xaf, 0x59, 0x5f, 0x2d, 0x68, 0xda, 0x95, 0x63)
#endif
