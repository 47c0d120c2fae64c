# Install rules and the Debian package. The binary itself is installed by app/.
#
#   bin/hopscale
#   lib/hopscale/libhopscale_gdal.so  the raster reader, loaded when a raster is opened
#   share/hopscale/catalogue/        the shipped catalogue (listing.dat and one NAME.dat per
#                                    line type), a reference copy: the program seeds a new
#                                    data directory from the copy built into it
#   share/applications/hopscale.desktop
#   share/icons/hicolor/scalable/apps/hopscale.svg

if(DEFINED HOPSCALE_CATALOGUE_DIR)
  install(DIRECTORY ${HOPSCALE_CATALOGUE_DIR}/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/hopscale/catalogue
          FILES_MATCHING PATTERN "*.dat")
endif()
install(TARGETS hopscale_gdal LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/hopscale)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/hopscale.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/hopscale.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME hopscale)
set(CPACK_PACKAGE_VENDOR "Hopscale developers")
set(CPACK_PACKAGE_CONTACT "Hopscale developers <hopscale@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Link budget of one point-to-point microwave radio hop")
set(CPACK_PACKAGE_DESCRIPTION
    "Estimates antenna gains, line and free-space losses, received level, EIRP, earth bulge\n\
and Fresnel zones of a microwave radio path, proposes transmission lines from its\n\
catalogue and prints a data sheet.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Hopscale developers <hopscale@localhost>")
# The Qt libraries the binary links are found by dpkg-shlibdeps; the platform plugins and
# the SVG image plugin are loaded at run time and so are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
