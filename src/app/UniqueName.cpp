// UniqueName
