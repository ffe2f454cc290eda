# Sourced by the scripts: the build folder and build type for the SANITIZER asked for.
sanitizer=${SANITIZER:-}
if [ -n "$sanitizer" ]; then
  build_dir=${BUILD_DIR:-$root/build/${sanitizer//,/-}}
  build_type=${BUILD_TYPE:-Debug}
else
  build_dir=${BUILD_DIR:-$root/build/default}
  build_type=${BUILD_TYPE:-RelWithDebInfo}
fi
