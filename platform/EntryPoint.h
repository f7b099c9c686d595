// A function of a library loaded at run time, and the one way it is called.
//
// On 32-bit Windows a library's exports may follow either calling convention:
// __cdecl (the caller takes the arguments off the stack) or __stdcall (the
// function does). A library built either way with undecorated names looks the
// same from outside, so every call goes through a thunk that keeps the stack
// pointer in the frame pointer, which both conventions preserve, and puts it
// back after the call: the stack is whole whichever convention the library
// used. Elsewhere there is one convention and the call is direct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace talun {

#if defined(_WIN32) && defined(__i386__)
#define TALUN_ENTRY_POINT_THUNK 1

namespace entry_point_detail {

// Calls function with count 32-bit words of arguments (copied from words onto a
// 16-byte aligned stack) and returns what it left in EAX.
__attribute__((naked, noinline, cdecl)) inline uint32_t CallKeepingStack(const void* /*function*/,
                                                                         const uint32_t* /*words*/,
                                                                         uint32_t /*count*/) {
    asm("pushl %ebp\n\t"
        "movl %esp, %ebp\n\t"
        "movl 16(%ebp), %ecx\n\t"  // count
        "movl 12(%ebp), %edx\n\t"  // words; the function is at 8(%ebp)
        "leal 0(,%ecx,4), %eax\n\t"
        "subl %eax, %esp\n\t"
        "andl $-16, %esp\n\t"
        "testl %ecx, %ecx\n\t"
        "jz 2f\n"
        "1:\n\t"
        "movl -4(%edx,%ecx,4), %eax\n\t"
        "movl %eax, -4(%esp,%ecx,4)\n\t"
        "decl %ecx\n\t"
        "jnz 1b\n"
        "2:\n\t"
        "call *8(%ebp)\n\t"
        "movl %ebp, %esp\n\t"  // whatever the callee took off
        "popl %ebp\n\t"
        "ret");
}

template <typename T>
uint32_t ToWord(T value) {
    static_assert(sizeof(T) <= sizeof(uint32_t) && (std::is_integral_v<T> || std::is_pointer_v<T>),
                  "entry point arguments are 32-bit integers or pointers");
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<uint32_t>(value);
    } else {
        return static_cast<uint32_t>(value);
    }
}

}  // namespace entry_point_detail
#endif

template <typename Function>
class EntryPoint;

template <typename Result, typename... Args>
class EntryPoint<Result (*)(Args...)> {
  public:
    using Function = Result (*)(Args...);

    EntryPoint() = default;
    EntryPoint(std::nullptr_t) {}
    EntryPoint(Function function) : function_(function) {}

    explicit operator bool() const { return function_ != nullptr; }
    friend bool operator==(const EntryPoint& entry, std::nullptr_t) { return !entry; }
    friend bool operator!=(const EntryPoint& entry, std::nullptr_t) { return !!entry; }
    const void* Address() const { return reinterpret_cast<const void*>(function_); }

    // Calls the function; it must be there.
    Result operator()(Args... args) const {
#ifdef TALUN_ENTRY_POINT_THUNK
        static_assert(std::is_void_v<Result> || std::is_integral_v<Result>,
                      "entry point results are integers");
        const uint32_t words[sizeof...(Args) + 1] = {entry_point_detail::ToWord(args)..., 0};
        const uint32_t result = entry_point_detail::CallKeepingStack(
            Address(), words, static_cast<uint32_t>(sizeof...(Args)));
        if constexpr (std::is_void_v<Result>) {
            (void)result;
        } else {
            return static_cast<Result>(result);
        }
#else
        return function_(args...);
#endif
    }

  private:
    Function function_ = nullptr;
};

}  // namespace talun
