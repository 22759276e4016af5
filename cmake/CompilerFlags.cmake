# Warnings on and clean; Qt's stricter string rules, as Falkon and KeePassXC use them.
add_compile_options(-Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
add_compile_definitions(
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_CAST_FROM_BYTEARRAY
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_USE_QSTRINGBUILDER)
if(CMAKE_BUILD_TYPE MATCHES "Debug|RelWithDebInfo")
  add_compile_definitions(_GLIBCXX_ASSERTIONS QT_FORCE_ASSERTS)
endif()
if(TVX_WITH_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
