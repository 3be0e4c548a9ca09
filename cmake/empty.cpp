// Placeholder for a folder that has no portable sources in this build.
