# AddressSanitizer and UndefinedBehaviorSanitizer for the debug preset.
option(KIT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(kit_sanitizers INTERFACE)
if(KIT_SANITIZE)
  target_compile_options(kit_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(kit_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# Coverage instrumentation for libFuzzer on every target (clang only; the `fuzz` preset).
option(KIT_FUZZ "Build the libFuzzer targets" OFF)
if(KIT_FUZZ)
  target_compile_options(kit_sanitizers INTERFACE -fsanitize=fuzzer-no-link)
endif()
