// AppPaths
