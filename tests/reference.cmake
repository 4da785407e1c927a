# Links the linear model of the game's rules (reference_world.cpp) and the
# capacity-level builder into a target, and wraps the game's entry points
# so that the model can stand in for them (see reference_world.h).
function(corvane_use_reference target)
  target_sources(${target} PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/reference_world.cpp
    ${CMAKE_SOURCE_DIR}/tests/capacity_level.cpp)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_options(${target} PRIVATE
    -Wl,--wrap=_Z9CanMoveToffffi
    -Wl,--wrap=_ZN9TMonsters7ProcessEv
    -Wl,--wrap=_ZN8TBullets7ProcessEv
    -Wl,--wrap=_ZN16TParticlesSystem3AddE11SParticle3D)
endfunction()
