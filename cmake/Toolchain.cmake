# Build speed on small machines: ccache for compiles, mold for links, both only when present.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    # Without a base dir and the directory left out of the hash, every checkout misses the cache.
    set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${CCACHE_PROGRAM})
    set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
endif()

find_program(MOLD_PROGRAM mold)
if(MOLD_PROGRAM)
    add_link_options(-fuse-ld=mold)
endif()
