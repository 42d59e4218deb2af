# Imported targets for the toolkit, split so that logic libraries link the base only.
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED)
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)
find_package(X11 REQUIRED COMPONENTS Xrandr Xfixes Xi)

function(skylume_wx_target name)
  find_package(wxWidgets REQUIRED COMPONENTS ${ARGN})
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${name} SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
  target_compile_definitions(${name} INTERFACE ${wxWidgets_DEFINITIONS})
  target_compile_options(${name} INTERFACE ${wxWidgets_CXX_FLAGS})
  target_link_libraries(${name} INTERFACE ${wxWidgets_LIBRARIES} Threads::Threads)
endfunction()

skylume_wx_target(wx_base base)
skylume_wx_target(wx_gui gl core base)
target_link_libraries(wx_gui INTERFACE OpenGL::GL)
