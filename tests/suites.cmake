# Each folder's suites; a helper file per folder may add its own *.cmake here.
