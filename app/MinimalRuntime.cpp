// quorvel.exe is built without exceptions. libstdc++ reports a failed allocation or a broken
// length through the hooks below; here they end the program with a message instead. Without
// them the exe would carry the unwinder, the exception classes and the name demangler, three
// quarters of its size. Only quorvel.exe links this file; the tests keep exceptions.

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void outOfMemory() {
    FatalAppExitW(0, L"Quorvel: \x5185\x5B58\x4E0D\x8DB3");  // 内存不足 (out of memory)
    std::abort();
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    outOfMemory();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace std {
void __throw_bad_alloc() { outOfMemory(); }
void __throw_bad_array_new_length() { outOfMemory(); }
void __throw_length_error(const char*) { outOfMemory(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
