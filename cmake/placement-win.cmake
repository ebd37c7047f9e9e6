# The window placement store through the DLL, against Wine's registry. Only
# the x86_64 build defines the Wine test function.

if(COMMAND varnholt_wine_test)
  varnholt_wine_test(wine_placement tests/wine/PlacementWineTest.cpp)
endif()
