# AddressSanitizer and UndefinedBehaviorSanitizer for the debug preset.
option(KIT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(kit_sanitizers INTERFACE)
if(KIT_SANITIZE)
  target_compile_options(kit_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(kit_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# ThreadSanitizer for the tsan preset: the threads of Messlauf's judge and of the results store.
# It cannot be combined with AddressSanitizer, hence a preset of its own.
option(KIT_SANITIZE_THREAD "Build with ThreadSanitizer" OFF)
if(KIT_SANITIZE_THREAD)
  target_compile_options(kit_sanitizers INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kit_sanitizers INTERFACE -fsanitize=thread)
endif()

# Coverage instrumentation for libFuzzer on every target (clang only; the `fuzz` preset).
option(KIT_FUZZ "Build the libFuzzer targets" OFF)
if(KIT_FUZZ)
  target_compile_options(kit_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
