#pragma once
// Calling conventions of the vendors' entry points. On 32-bit x86 Windows a
// pointer called with the wrong convention corrupts the stack only when it
// runs, so every vendor entry point is called through a pointer type that
// names its convention, and each family proves its types at compile time:
//
//     static_assert(platform::kIsStdcall<DiiExtEncodeInit>);
//
// Elsewhere (x86-64, Linux) there is one convention and the proofs hold
// trivially; the 32-bit Windows build is the one that checks them.
#include <type_traits>

#if defined(_WIN32) && defined(__i386__)
#define TAVRIN_STDCALL __stdcall
#define TAVRIN_CDECL __cdecl

namespace platform {
namespace detail {
template <typename Fn>
struct IsStdcall : std::false_type {};
template <typename R, typename... A>
struct IsStdcall<R(__stdcall*)(A...)> : std::true_type {};
template <typename Fn>
struct IsCdecl : std::false_type {};
template <typename R, typename... A>
struct IsCdecl<R(__cdecl*)(A...)> : std::true_type {};
// What a stdcall entry point takes off the stack: each argument in whole
// 4-byte slots. It is the N of its decorated names "_Name@N" and "Name@N".
template <typename Fn>
struct StdcallArgumentBytes : std::integral_constant<int, -1> {};
template <typename R, typename... A>
struct StdcallArgumentBytes<R(__stdcall*)(A...)>
    : std::integral_constant<int, (0 + ... + static_cast<int>((sizeof(A) + 3) / 4 * 4))> {};
} // namespace detail
template <typename Fn>
inline constexpr bool kIsStdcall = detail::IsStdcall<Fn>::value;
template <typename Fn>
inline constexpr bool kIsCdecl = detail::IsCdecl<Fn>::value;
// -1 for any other pointer type.
template <typename Fn>
inline constexpr int kStdcallArgumentBytes = detail::StdcallArgumentBytes<Fn>::value;
} // namespace platform

#else
#define TAVRIN_STDCALL
#define TAVRIN_CDECL

namespace platform {
template <typename Fn>
inline constexpr bool kIsStdcall = std::is_pointer_v<Fn>;
template <typename Fn>
inline constexpr bool kIsCdecl = std::is_pointer_v<Fn>;
// No decoration here: entry points are found by their plain names.
template <typename Fn>
inline constexpr int kStdcallArgumentBytes = -1;
} // namespace platform
#endif
