# Installing on a desktop (cmake --install) and the Debian package made from that (cpack -G DEB):
# the program, the shipped pages and tune, the menu entry, the icons, the AppStream component,
# the manual page and the package's changelog and copyright.

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(TW_APP_ID org.tintwell.Tintwell)

install(TARGETS tintwell tintwell-pages)
install(FILES ${TW_SHIPPED_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tintwell)
install(FILES data/${TW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${TW_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY data/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The manual page and the changelog go in compressed, without a time stamp, as Debian wants them.
find_program(TW_GZIP gzip REQUIRED)
foreach(doc tintwell.6 debian/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/doc/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND ${TW_GZIP} -9nc ${CMAKE_SOURCE_DIR}/data/${doc} > ${CMAKE_BINARY_DIR}/doc/${name}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${doc}
    VERBATIM)
endforeach()
add_custom_target(tw_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/doc/tintwell.6.gz ${CMAKE_BINARY_DIR}/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/doc/tintwell.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/doc/changelog.gz data/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. Its library dependencies come from the program's own (dpkg-shlibdeps); the
# SoundFont the tune plays with, the fonts the screen is drawn in and the print system's library
# (loaded only when printers are asked about, so not among the program's own) are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintwell)
set(CPACK_PACKAGE_VENDOR "The Tintwell developers")
set(CPACK_PACKAGE_CONTACT "Tintwell maintainers <maintainers@users.noreply.c-seed-0c106ecc.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "colouring book for young children")
# The synopsis is the summary above; this is the extended description, indented by CPack.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tintwell shows one line-art picture at a time inside a bright frame that
fills the screen. The child picks one of 36 crayons and clicks inside the
picture: the area under the click floods with the colour, with a splash of
sound, while a gentle tune plays. Six pictures come with it, and the child's
colouring is kept between runs in the child's own folder.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tintwell)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, fonts-liberation, libcups2 (>= 2.4)")
set(CPACK_STRIP_FILES ON)
include(CPack)
