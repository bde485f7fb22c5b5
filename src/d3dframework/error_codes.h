#pragma once
// The framework's own result codes; ShowError turns each into its message.
#include "platform/gfx/gfx.h"

namespace d3dframework {

using gfx::HRESULT;

inline constexpr HRESULT D3DAPPERR_NODIRECT3D = gfx::Code(0x82000001);
inline constexpr HRESULT D3DAPPERR_NOWINDOW = gfx::Code(0x82000002);
inline constexpr HRESULT D3DAPPERR_NOCOMPATIBLEDEVICES = gfx::Code(0x82000003);
inline constexpr HRESULT D3DAPPERR_NOWINDOWABLEDEVICES = gfx::Code(0x82000004);
inline constexpr HRESULT D3DAPPERR_NOHARDWAREDEVICE = gfx::Code(0x82000005);
inline constexpr HRESULT D3DAPPERR_HALNOTCOMPATIBLE = gfx::Code(0x82000006);
inline constexpr HRESULT D3DAPPERR_NOWINDOWEDHAL = gfx::Code(0x82000007);
inline constexpr HRESULT D3DAPPERR_NODESKTOPHAL = gfx::Code(0x82000008);
inline constexpr HRESULT D3DAPPERR_NOHALTHISMODE = gfx::Code(0x82000009);
inline constexpr HRESULT D3DAPPERR_NONZEROREFCOUNT = gfx::Code(0x8200000A);
inline constexpr HRESULT D3DAPPERR_MEDIANOTFOUND = gfx::Code(0x8200000B);
inline constexpr HRESULT D3DAPPERR_RESETFAILED = gfx::Code(0x8200000C);
inline constexpr HRESULT D3DAPPERR_NULLREFDEVICE = gfx::Code(0x8200000D);

}  // namespace d3dframework
