# The shipped i686 build run under test: chosen cases of the Windows tests,
# built for i686, in a session of their own with a 32-bit Wine
# (tests/wine/session-i686.sh: the system's wine32, or a private one, run
# natively or under QEMU). Every entry's name holds "i686".
set(WINE_I686_SESSION_DIR ${CMAKE_BINARY_DIR}/wine-session-i686)

add_test(NAME i686.wine_session_start
  COMMAND bash ${WINE_SCRIPTS}/session-i686.sh start ${WINE_I686_SESSION_DIR}
          $<TARGET_FILE:session_keeper> ${TEST_TMP_DIR})
add_test(NAME i686.wine_session_stop
  COMMAND bash ${WINE_SCRIPTS}/session-i686.sh stop ${WINE_I686_SESSION_DIR})
# The first start may also build the private Wine.
set_tests_properties(i686.wine_session_start PROPERTIES FIXTURES_SETUP wine_i686 TIMEOUT 900)
set_tests_properties(i686.wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_i686)

# One entry per case: TARGET [WESTERN | PLANTED] SUITE.CASE ..., the keyword
# as for sobeep_wine_tests (tests/win/CMakeLists.txt).
function(sobeep_i686_cases target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "WESTERN;PLANTED" "" "")
  set(variables)
  if(ARG_WESTERN)
    set(variables ${SOBEEP_WESTERN_SYSTEM})
  elseif(ARG_PLANTED)
    set(variables ${SOBEEP_PLANTED_DLLS})
  endif()
  foreach(case ${ARG_UNPARSED_ARGUMENTS})
    add_test(NAME i686.${case}
      COMMAND bash ${WINE_SCRIPTS}/run-to-file.sh ${WINE_I686_SESSION_DIR} ${variables}
              $<TARGET_FILE:${target}> --gtest_filter=${case})
    set_tests_properties(i686.${case} PROPERTIES
      FIXTURES_REQUIRED wine_i686 RESOURCE_LOCK wine_session TIMEOUT ${SOBEEP_ENTRY_TIMEOUT})
  endforeach()
endfunction()

sobeep_i686_cases(player_e2e
  PlayerTest.PlaysOnceThenExitsAndStoresBothSettings
  PlayerTest.RepeatReplaysFromTheStartUntilExit
  PlayerTest.NewerInstanceStopsTheOlderAndPlaysItsOwnFile)
sobeep_i686_cases(dialogs_e2e
  SettingsModeTest.ShowsPropertiesWithInstallButtonAndCheckingRepeatStoresEight
  TrayDialogTest.PropertiesPausesAndHidesTheIconUntilClosed)
sobeep_i686_cases(player_e2e WESTERN
  Names/WesternFileNameTest.PlaysTheNamedFileAndNoOther/BeyondTheBasicPlane)
sobeep_i686_cases(installer_e2e
  InstallerStartTest.CreatesTheSettingsKeyAndShowsItsDialogWhateverTheArguments
  AssociationTest.OpeningAWaveFileInTheShellPlaysItWithTheInstalledPlayer
  AssociationTest.AFileOfAnyNameInAFolderOfAnyNamePlaysWithThePlayerOfAnyFolder)
sobeep_i686_cases(planted_e2e
  PlantedProgramTest.InstallStartsTheInstallerBesideThePlayerAndNothingElse)
sobeep_i686_cases(planted_e2e PLANTED
  PlantedDllTest.NoDllBesideThePlayerOrTheInstallerRunsInThem)
sobeep_i686_cases(tray_e2e
  TrayTest.ChoosingRepeatStoresItAtOnceAndExitEndsThePlayer)
sobeep_i686_cases(win_units
  ThreadIdTest.AnswersAsGetThreadIdForThisAndAnotherThread)

# The shipped files themselves, read without running them: PE32 i386 GUI
# programs of at most 96 KiB importing only what Windows XP has, and only from
# known DLLs, with the x86_64 build's resources byte for byte, the version
# block as fixed and the installer's manifest; then the same checks on copies
# spoiled one way each, which they must flag.
set(SOBEEP_X86_64_DIST ${CMAKE_BINARY_DIR}/../win64/dist CACHE PATH
  "The x86_64 build's shipped folder, whose resources the i686 programs must carry")
add_test(NAME i686.static_checks
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/shipped/check_shipped_test.py ${SOBEEP_DIST_DIR}
          ${SOBEEP_X86_64_DIST} ${PROJECT_SOURCE_DIR}/tests/shipped/windows-xp-imports.txt
          ${PROJECT_SOURCE_DIR}/tests/shipped/known-dlls.txt)
