# AddressSanitizer and UndefinedBehaviorSanitizer for the debug preset.
option(KIT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(kit_sanitizers INTERFACE)
if(KIT_SANITIZE)
  target_compile_options(kit_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(kit_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
