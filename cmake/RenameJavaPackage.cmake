# Writes the Java client library of one package under another package name: the two Java
# downloads ship the same classes and differ only in their package line.
#   cmake -DSOURCE=dir -DTARGET=dir -DFROM=com.a.b -DTO=com.a.c -P RenameJavaPackage.cmake
file(GLOB sources "${SOURCE}/*.java")
file(MAKE_DIRECTORY "${TARGET}")
foreach(source IN LISTS sources)
  get_filename_component(name "${source}" NAME)
  file(READ "${source}" text)
  string(REPLACE "package ${FROM};" "package ${TO};" text "${text}")
  file(WRITE "${TARGET}/${name}" "${text}")
endforeach()
