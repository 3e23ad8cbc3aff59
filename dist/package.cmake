# The Debian package (CPack's DEB generator), made by scripts/package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cluster-analysis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "the Cluster Analysis authors <maintainers@users.noreply.c-seed-bda7aaa9.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "hierarchical cluster analysis of small tables, with a dendrogram")
# The long description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Cluster Analysis merges the objects of a small numeric table (up to 1000
labelled objects and 200 attributes) step by step into a tree, by the
centroid method or by Ward's method, computing every number in 80-bit
extended precision. It writes an output file with the input and the
distances, and prints the tree as a dendrogram.

The program has a Japanese user interface: a grid to type, edit, save,
load, import and export (CSV) and print the table. The batch command
cluster-batch runs the same analysis without windows and can also write
the merge history, a linkage matrix, the tree in Newick form and the
dendrogram as PDF.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CLUSTER_HOMEPAGE})
# Libraries found by dpkg-shlibdeps, and what the program needs at run time
# besides: the fonts it prints with, Qt's own translations and Qt's SVG
# plugin, which draws the window icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho, qt6-translations-l10n, libqt6svg6")
include(CPack)
