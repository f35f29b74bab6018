// The Windows and Media Foundation declarations the stream, the source and the
// class factory use, in one place. The Windows SDK declares everything here;
// mingw-w64 lacks a few interfaces and GUIDs, which are declared below for
// mingw only, so that the SDK's own declarations win under MSVC.
//
// Attribute GUIDs that a mingw-w64 release may or may not declare live in
// namespace norva::plataforma under the platform's spelling, so a newer
// mingw header can never collide with them; under MSVC they are the SDK's.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <objidl.h>
#include <oleauto.h>
#include <inspectable.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfobjects.h>
#include <ks.h>
#include <ksmedia.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <ksproxy.h>
#include <weakreference.h>
#endif

#if defined(__MINGW32__)

// IKsControl: mingw declares it only beside DirectMusic and device-topology
// headers that clash with <ks.h>; the layout below is the SDK's.
#if !defined(_IKsControl_) && !defined(__IKsControl_INTERFACE_DEFINED__)
#define _IKsControl_
MIDL_INTERFACE("28F54685-06FD-11D2-B27A-00A0C9223196")
IKsControl : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY Property, ULONG PropertyLength,
                                               LPVOID PropertyData, ULONG DataLength,
                                               ULONG* BytesReturned) = 0;
  virtual HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD Method, ULONG MethodLength,
                                             LPVOID MethodData, ULONG DataLength,
                                             ULONG* BytesReturned) = 0;
  virtual HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT Event, ULONG EventLength, LPVOID EventData,
                                            ULONG DataLength, ULONG* BytesReturned) = 0;
};
__CRT_UUID_DECL(IKsControl, 0x28f54685, 0x06fd, 0x11d2, 0xb2, 0x7a, 0x00, 0xa0, 0xc9, 0x22, 0x31, 0x96)
#endif

#if !defined(__IMFMediaStream2_INTERFACE_DEFINED__)
#define __IMFMediaStream2_INTERFACE_DEFINED__
MIDL_INTERFACE("C5BC37D6-75C7-46A1-A132-81B5F723C20F")
IMFMediaStream2 : public IMFMediaStream {
 public:
  virtual HRESULT STDMETHODCALLTYPE SetStreamState(MF_STREAM_STATE value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStreamState(MF_STREAM_STATE* value) = 0;
};
__CRT_UUID_DECL(IMFMediaStream2, 0xc5bc37d6, 0x75c7, 0x46a1, 0xa1, 0x32, 0x81, 0xb5, 0xf7, 0x23, 0xc2, 0x0f)
#endif

#if !defined(__IWeakReference_INTERFACE_DEFINED__)
#define __IWeakReference_INTERFACE_DEFINED__
MIDL_INTERFACE("00000037-0000-0000-C000-000000000046")
IWeakReference : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Resolve(REFIID riid, IInspectable** objectReference) = 0;
};
__CRT_UUID_DECL(IWeakReference, 0x00000037, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
#endif

#if !defined(__IWeakReferenceSource_INTERFACE_DEFINED__)
#define __IWeakReferenceSource_INTERFACE_DEFINED__
MIDL_INTERFACE("00000038-0000-0000-C000-000000000046")
IWeakReferenceSource : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE GetWeakReference(IWeakReference** weakReference) = 0;
};
__CRT_UUID_DECL(IWeakReferenceSource, 0x00000038, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
#endif

#if !defined(CREATE_WAITABLE_TIMER_HIGH_RESOLUTION)
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

#endif  // __MINGW32__

namespace norva::plataforma {

#if defined(__MINGW32__)
// {11BD5120-D124-446B-88E6-17060257FFF9}
inline constexpr GUID MF_DEVICESTREAM_STREAM_ID = {
    0x11bd5120, 0xd124, 0x446b, {0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9}};
// {2939E7B8-A62E-4579-B674-D4073DFABBBA}
inline constexpr GUID MF_DEVICESTREAM_STREAM_CATEGORY = {
    0x2939e7b8, 0xa62e, 0x4579, {0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba}};
// {17145FD1-1B2B-423C-8001-2B6833ED3588}
inline constexpr GUID MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES = {
    0x17145fd1, 0x1b2b, 0x423c, {0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88}};
// {1CB378E9-B279-41D4-AF97-34A243E68320}
inline constexpr GUID MF_DEVICESTREAM_FRAMESERVER_SHARED = {
    0x1cb378e9, 0xb279, 0x41d4, {0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20}};
// {60D0E559-52F8-4FA2-BBCE-ACDB34A8EC01}
inline constexpr GUID MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME = {
    0x60d0e559, 0x52f8, 0x4fa2, {0xbb, 0xce, 0xac, 0xdb, 0x34, 0xa8, 0xec, 0x01}};
// {FB6C4281-0353-11D1-905F-0000C0CC16BA}
inline constexpr GUID PINNAME_VIDEO_CAPTURE = {
    0xfb6c4281, 0x0353, 0x11d1, {0x90, 0x5f, 0x00, 0x00, 0xc0, 0xcc, 0x16, 0xba}};
// {8294DA66-F328-4805-B551-00DEB4C57A61}
inline constexpr GUID MFSampleExtension_Token = {
    0x8294da66, 0xf328, 0x4805, {0xb5, 0x51, 0x00, 0xde, 0xb4, 0xc5, 0x7a, 0x61}};
inline constexpr UINT32 MFFrameSourceTypes_Color = 0x0001;
#else
using ::MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES;
using ::MF_DEVICESTREAM_FRAMESERVER_SHARED;
using ::MF_DEVICESTREAM_STREAM_CATEGORY;
using ::MF_DEVICESTREAM_STREAM_ID;
using ::MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME;
using ::MFSampleExtension_Token;
using ::PINNAME_VIDEO_CAPTURE;
inline constexpr UINT32 MFFrameSourceTypes_Color = ::MFFrameSourceTypes_Color;
#endif

}  // namespace norva::plataforma
