# The platform-free rules: no windows.h, so the same files build for Windows
# and for the host (unit tests, sanitizers, fuzzing).
add_library(sobeep_core STATIC
  ${PROJECT_SOURCE_DIR}/common/text_scan.cpp
  ${PROJECT_SOURCE_DIR}/settings/setting_rules.cpp
  ${PROJECT_SOURCE_DIR}/player/command_line.cpp
  ${PROJECT_SOURCE_DIR}/player/playback_rules.cpp
  ${PROJECT_SOURCE_DIR}/player/replay_rules.cpp
)
target_include_directories(sobeep_core PUBLIC ${PROJECT_SOURCE_DIR})
