# The window placement store through the DLL, against Wine's registry.

if(COMMAND varnholt_wine_test)
  varnholt_wine_test(wine_placement tests/wine/PlacementWineTest.cpp)
endif()
