# Where 'cmake --install' puts zebsrch, in the layout of a Debian system
# under CMAKE_INSTALL_PREFIX (DESTDIR for a scratch root):
#   bin/zebadm                      index administration
#   lib/cgi-bin/zebsrch             the CGI, where web servers look for CGIs
#   lib/zebsrch/                    zebsrch-pool and example-instance
#   share/zebsrch/deploy/           deploy/serve and what it renders: web
#                                   server configurations, the form page,
#                                   icons, style sheet, templates
#   share/zebsrch/example/          the documents of the example instance
#   share/man/man8/                 zebsrch(8), zebadm(8)
#   lib/systemd/system/             the systemd units (ZEB_SYSTEMD_UNIT_DIR)
include(GNUInstallDirs)
set(ZEB_SYSTEMD_UNIT_DIR "lib/systemd/system"
    CACHE PATH "where the systemd units go")

install(TARGETS zebsrch RUNTIME DESTINATION lib/cgi-bin)
if(TARGET zebadm)
  install(TARGETS zebadm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(PROGRAMS deploy/zebsrch-pool deploy/example-instance DESTINATION lib/zebsrch)

set(share ${CMAKE_INSTALL_DATADIR}/zebsrch)
install(PROGRAMS deploy/serve DESTINATION ${share}/deploy)
install(FILES deploy/lighttpd.conf.in deploy/search-cgi.conf.in deploy/search-fastcgi.conf.in
              deploy/apache.conf.in deploy/apache-cgi.conf.in deploy/apache-fastcgi.conf.in
              deploy/nginx.conf.in
        DESTINATION ${share}/deploy)
install(DIRECTORY deploy/icons deploy/templates deploy/www DESTINATION ${share}/deploy)

# The example instance indexes this project's own documentation as text.
file(GLOB example_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
foreach(page README.md ${example_pages})
  get_filename_component(name ${page} NAME_WE)
  install(FILES ${page} DESTINATION ${share}/example RENAME ${name}.txt)
endforeach()

install(FILES docs/man/zebsrch.8 docs/man/zebadm.8 DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)
file(GLOB units CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/deploy/systemd/*)
install(FILES ${units} DESTINATION ${ZEB_SYSTEMD_UNIT_DIR})
